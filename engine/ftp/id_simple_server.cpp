#include "engine/ftp/id_simple_server.h"

#include "engine/core/errors.h"
#include "engine/core/id_antifreeze.h"
#include "engine/platform/message_pump.h"

#include <chrono>

namespace tavo::engine {

TIdSimpleServer::~TIdSimpleServer() {
    DropListener();
}

void TIdSimpleServer::DropListener() {
    if (listenHandle_ != platform::InvalidSocket) {
        platform::CloseSocket(listenHandle_);
        listenHandle_ = platform::InvalidSocket;
    }
    listening_ = false;
}

void TIdSimpleServer::DropSocket() {
    DropListener();
    TIdTCPConnection::DropSocket();
}

void TIdSimpleServer::StartListening() {
    try {
        if (Socket() == nullptr) {
            ResetInput();
            AdoptCarrier(std::make_unique<TIdIOHandlerSocket>());
            carrier_->Open();
        }
        if (listenHandle_ == platform::InvalidSocket) {
            TIdSocketHandle& record = *Socket();
            record.AllocateSocket(platform::FamilyOf(BoundIP));
            record.Bind(BoundIP, BoundPort);
            listenHandle_ = record.Handle;
            record.Handle = platform::InvalidSocket; // the record describes the listener
        }
        if (int error = platform::ListenSocket(listenHandle_, 15); error != 0)
            throw EIdSocketError(error);
        listening_ = true;
    } catch (...) {
        DropListener();
        FreeOwnedCarrier();
        throw;
    }
}

void TIdSimpleServer::AcceptOne() {
    if (!listening_)
        StartListening();
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        if (listenHandle_ == platform::InvalidSocket)
            throw EIdConnClosedGracefully(); // dropped by an abort while waiting
        int error = 0;
        // Short polls keep the host's messages running, as every other engine wait does.
        int rc =
            platform::WaitReadable(listenHandle_, TIdAntiFreeze::PumpApplies() ? 0 : 50, error);
        TIdAntiFreeze::PumpIfDue(rc <= 0, false);
        if (rc < 0)
            throw EIdSocketError(error);
        if (rc > 0 && listenHandle_ != platform::InvalidSocket) {
            platform::SocketHandle accepted = platform::AcceptSocket(listenHandle_, error);
            if (accepted == platform::InvalidSocket)
                throw EIdSocketError(error);
            std::string peerIP;
            int peerPort = 0;
            platform::PeerAddress(accepted, peerIP, peerPort);
            // Only the server we talk to may deliver the data (a third host could otherwise
            // feed us a forged listing or file: the "FTP bounce" family of attacks).
            if (!AcceptFromIP.empty() && peerIP != AcceptFromIP) {
                platform::CloseSocket(accepted);
            } else {
                TIdSocketHandle& record = *Socket();
                record.Handle = accepted;
                record.UpdateBindingLocal();
                record.UpdateBindingPeer();
                DropListener();
                closedMark_ = false;
                return;
            }
        }
        if (AcceptTimeout > 0 &&
            std::chrono::steady_clock::now() - started > std::chrono::milliseconds(AcceptTimeout))
            throw EIdAcceptTimeout();
        if (rc == 0 && TIdAntiFreeze::PumpApplies())
            platform::SleepMilliseconds(1); // a 0 ms poll would otherwise spin
    }
}

} // namespace tavo::engine
