#pragma once
// A connection that connects out to a host.

#include "engine/core/id_tcp_connection.h"

#include <functional>
#include <string>
#include <vector>

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
    // The numeric addresses to try, in order: a literal as it stands, a name as the resolver
    // lists it. Reports hsResolving for a name.
    virtual std::vector<std::string> PeerAddresses();

private:
    void ConnectTo(const std::string& ip, int timeout);
};

// Four dot-separated decimal numbers, each 0 to 255.
bool IsDottedIPv4(const std::string& host);
// An IPv6 address as text ("::1", "2001:db8::5", "fe80::1%eth0"), without brackets.
bool IsIPv6Literal(const std::string& host);
// The address inside brackets ("[::1]" gives "::1", RFC 3986 host form); anything else as
// it stands.
std::string UnbracketHost(const std::string& host);

} // namespace tavo::engine
