#pragma once
// A connection that connects out to a host.

#include "engine/core/id_tcp_connection.h"

#include <functional>
#include <string>

namespace tavo::engine {

class TIdTCPClient : public TIdTCPConnection {
public:
    std::string Host;
    int Port = 0;
    std::string BoundIP;
    int BoundPort = 0;
    std::function<void(TIdTCPClient& sender)> OnConnected;

    // Timeout in ms: -1 the default (120000 ms while the pump applies, else blocking),
    // 0 none given (the same), anything else a limit for the connect.
    void OpenConnection(int timeout = -1);

protected:
    void ConnectWithTimeout(const std::string& ip, int timeout);
};

// Four dot-separated decimal numbers, each 0 to 255.
bool IsDottedIPv4(const std::string& host);

} // namespace tavo::engine
