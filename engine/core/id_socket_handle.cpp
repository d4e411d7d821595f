#include "engine/core/id_socket_handle.h"

#include "engine/core/errors.h"

namespace tavo::engine {

TIdSocketHandle::~TIdSocketHandle() {
    CloseSocket();
}

void TIdSocketHandle::AllocateSocket(platform::AddressFamily family) {
    CloseSocket();
    int error = 0;
    Family = family;
    Handle = platform::CreateTcpSocket(error, family);
    if (!HandleAllocated())
        throw EIdInvalidSocket();
}

void TIdSocketHandle::Bind(const std::string& ip, int port) {
    if (platform::BindSocket(Handle, ip, port, Family) != 0)
        throw EIdCouldNotBindSocket();
    UpdateBindingLocal();
}

void TIdSocketHandle::UpdateBindingLocal() {
    platform::LocalAddress(Handle, IP, Port);
}

void TIdSocketHandle::UpdateBindingPeer() {
    platform::PeerAddress(Handle, PeerIP, PeerPort);
}

void TIdSocketHandle::CloseSocket() {
    if (!HandleAllocated())
        return;
    platform::ShutdownSend(Handle);
    platform::CloseSocket(Handle);
    Handle = platform::InvalidSocket;
}

void TIdSocketHandle::Reset() {
    CloseSocket();
    IP.clear();
    Port = 0;
    PeerIP.clear();
    PeerPort = 0;
}

void TIdIOHandlerSocket::Open() {
    Tls.reset();
    if (Binding == nullptr)
        Binding = std::make_unique<TIdSocketHandle>();
    else
        Binding->Reset();
}

void TIdIOHandlerSocket::Close() {
    if (Connected())
        EndTls();
    Tls.reset();
    if (Binding != nullptr)
        Binding->CloseSocket();
}

void TIdIOHandlerSocket::EndTls() {
    if (Tls != nullptr)
        Tls->Shutdown();
    Tls.reset();
}

int TIdIOHandlerSocket::Send(const char* data, int count, int& error) {
    if (!Connected())
        throw EIdClosedSocket();
    if (Tls != nullptr)
        return Tls->Send(data, count, error);
    return platform::SendSocket(Binding->Handle, data, count, error);
}

int TIdIOHandlerSocket::Recv(char* data, int count, int& error) {
    if (!Connected())
        throw EIdClosedSocket();
    if (Tls != nullptr)
        return Tls->Receive(data, count, error);
    return platform::ReceiveSocket(Binding->Handle, data, count, error);
}

bool TIdIOHandlerSocket::Readable(int milliseconds) {
    if (!Connected())
        throw EIdConnClosedGracefully();
    // Bytes the channel decrypted already (or the close_notify it read with them) are not on
    // the socket any more.
    if (Tls != nullptr && Tls->ReceiveReady())
        return true;
    int error = 0;
    int rc = platform::WaitReadable(Binding->Handle, milliseconds, error);
    if (rc < 0)
        throw EIdSocketError(error);
    return rc > 0;
}

int TIdIOHandlerSocket::BytesWaiting() const {
    if (!Connected())
        return 0;
    return platform::BytesWaiting(Binding->Handle) + (Tls != nullptr ? Tls->BytesWaiting() : 0);
}

void TIdIOHandlerSocket::SetNonBlocking(bool nonBlocking) {
    if (!Connected())
        throw EIdClosedSocket();
    if (int error = platform::SetNonBlocking(Binding->Handle, nonBlocking); error != 0)
        throw EIdSocketError(error);
}

bool TIdIOHandlerSocket::Writable(int milliseconds) {
    if (!Connected())
        throw EIdConnClosedGracefully();
    int error = 0;
    int rc = platform::WaitWritable(Binding->Handle, milliseconds, error);
    if (rc < 0)
        throw EIdSocketError(error);
    return rc > 0;
}

} // namespace tavo::engine
