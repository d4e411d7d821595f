// TLS on a connection: the handshake in steps with the connection's own waits, and its end.

#include "engine/core/errors.h"
#include "engine/core/id_tcp_connection.h"

#include <chrono>
#include <limits>

namespace tavo::engine {

void TIdTCPConnection::StartTLS(const std::string& serverName,
                                const platform::TlsChannel* resumeFrom, int waitMs) {
    if (!SocketOpen())
        throw EIdNotConnected();
    std::string errorText;
    std::unique_ptr<platform::TlsChannel> channel =
        platform::TlsChannel::CreateClient(Socket()->Handle, serverName, resumeFrom, errorText);
    if (channel == nullptr)
        throw EIdTLSHandshakeFailed(errorText);
    // A readable socket may hold part of a record only: a blocking read would then wait past
    // every time limit, so reads fail with ErrWouldBlock and FillInputBuffer waits again.
    carrier_->SetNonBlocking(true);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const platform::TlsStep step = channel->Handshake();
        if (step == platform::TlsStep::Done)
            break;
        if (step == platform::TlsStep::Failed)
            throw EIdTLSHandshakeFailed(channel->LastErrorText());
        int left = -2;
        if (waitMs > 0) {
            left = static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
            if (left <= 0)
                throw EIdTLSHandshakeFailed("the server did not complete it within " +
                                            std::to_string(waitMs) + " ms.");
        }
        if (step == platform::TlsStep::WantRead)
            WaitReadable(left);
        else
            WaitWritable(left == -2 ? std::numeric_limits<int>::max() : left);
    }
    carrier_->Tls = std::move(channel);
}

const platform::TlsChannel* TIdTCPConnection::TLS() const {
    return carrier_ != nullptr ? carrier_->Tls.get() : nullptr;
}

void TIdTCPConnection::EndTLS() {
    if (!SocketOpen() || carrier_->Tls == nullptr)
        return;
    const int limit = StallTimeout > 0 ? StallTimeout : EndTLSWait;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limit);
    WaitWritable(limit);
    carrier_->EndTls();
    // The peer may have sent what nobody reads (a TLS 1.3 session ticket after the handshake):
    // closing over unread bytes resets the connection, and a reset can destroy the last data
    // before the server read them. So the sending side ends, and the socket is read (and the
    // bytes dropped) until the peer closes its side too.
    platform::ShutdownSend(Socket()->Handle);
    char sink[4096];
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !WaitReadable(static_cast<int>(left)))
            return;
        int error = 0;
        const int n = carrier_->Recv(sink, sizeof sink, error);
        if (n == 0 || (n < 0 && error != platform::ErrWouldBlock))
            return;
    }
}

} // namespace tavo::engine
