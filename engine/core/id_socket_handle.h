#pragma once
// One socket and the carrier that owns it.

#include "engine/core/id_component.h"
#include "engine/platform/sockets.h"
#include "engine/platform/tls.h"

#include <memory>
#include <string>

namespace tavo::engine {

class TIdSocketHandle {
public:
    ~TIdSocketHandle();

    platform::SocketHandle Handle = platform::InvalidSocket;
    bool HandleAllocated() const { return Handle != platform::InvalidSocket; }
    std::string IP;
    int Port = 0;
    std::string PeerIP;
    int PeerPort = 0;

    // The family of the socket last allocated; an empty bind address means any of it.
    platform::AddressFamily Family = platform::AddressFamily::IPv4;

    // EIdInvalidSocket
    void AllocateSocket(platform::AddressFamily family = platform::AddressFamily::IPv4);
    void Bind(const std::string& ip, int port); // EIdCouldNotBindSocket
    void UpdateBindingLocal();
    void UpdateBindingPeer();
    // Shuts the sending side, then closes. Safe to call twice.
    void CloseSocket();
    void Reset();
};

// The carrier of a connection: the socket, and once a handshake made one, the TLS channel
// that every read and write goes through.
class TIdIOHandlerSocket : public TIdComponent {
public:
    std::unique_ptr<TIdSocketHandle> Binding;
    // Set by TIdTCPConnection::StartTLS; sends close_notify and goes with the socket.
    std::unique_ptr<platform::TlsChannel> Tls;

    // Makes a fresh socket record, or resets the one it has.
    void Open();
    void Close();
    bool Connected() const { return Binding != nullptr && Binding->HandleAllocated(); }
    // Raw I/O; raise EIdClosedSocket when the socket is closed. -1 with `error` on failure.
    int Send(const char* data, int count, int& error);
    int Recv(char* data, int count, int& error);
    // 1 readable, 0 not within the wait (-1 = no limit); raises on a socket error. Over TLS
    // a readable socket may hold only part of a record: Recv then fails with ErrWouldBlock.
    bool Readable(int milliseconds);
    // Bytes a receive would return at once; 0 when none, unknown, or the socket is closed.
    int BytesWaiting() const;
    // Sends close_notify (when the socket has room soon) and goes back to plain bytes.
    void EndTls();
    // 1 when the socket takes more bytes within the wait; raises on a socket error.
    bool Writable(int milliseconds);
    // Sends that cannot go on at once fail with ErrWouldBlock instead of waiting.
    void SetNonBlocking(bool nonBlocking);
};

} // namespace tavo::engine
