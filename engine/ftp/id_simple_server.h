#pragma once
// The listening end of an active-mode data connection: listens, accepts one connection,
// then is that connection.

#include "engine/core/errors.h"
#include "engine/core/id_tcp_connection.h"

#include <string>

namespace tavo::engine {

class TIdSimpleServer : public TIdTCPConnection {
public:
    ~TIdSimpleServer() override;

    std::string BoundIP;
    int BoundPort = 0;
    // Only a connection from this address is taken; others are closed and the wait goes on.
    // Empty accepts anyone.
    std::string AcceptFromIP;
    // Longest wait for the incoming connection in ms; 0 = no limit.
    int AcceptTimeout = 0;

    void StartListening();
    void AcceptOne();
    bool Listening() const { return listening_; }
    // Closes the listening socket (an abort while waiting for the server).
    void DropListener();
    void DropSocket() override;

private:
    platform::SocketHandle listenHandle_ = platform::InvalidSocket;
    bool listening_ = false;
};

// Raised when the server does not open the active data connection in time.
class EIdAcceptTimeout : public EIdException {
public:
    EIdAcceptTimeout() : EIdException("Timed out waiting for the server's data connection.") {}
};

} // namespace tavo::engine
