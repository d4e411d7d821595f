// The texts of the extended data-connection commands of RFC 2428, which carry IPv6 addresses
// where PASV and PORT (RFC 959) have room only for IPv4.

#include "engine/core/errors.h"
#include "engine/ftp/id_ftp.h"

#include <cctype>

namespace tavo::engine {
namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

// 229 Entering Extended Passive Mode (|||6446|)
// RFC 2428 section 3: the delimiter is any printable character (33 to 126), the same all
// through, and the network-protocol and address fields stay empty: the data connection goes
// to the control connection's peer. A digit as delimiter would make the port unreadable.
int ParseExtendedPassiveReply(const std::string& line) {
    auto refuse = [&line]() -> EIdException {
        return EIdException("'" + line + "' is not a valid extended passive mode reply");
    };
    const size_t open = line.find('(');
    if (open == std::string::npos || line.size() < open + 7)
        throw refuse();
    const char delimiter = line[open + 1];
    if (delimiter < 33 || delimiter > 126 || IsDigit(delimiter) || line[open + 2] != delimiter ||
        line[open + 3] != delimiter)
        throw refuse();
    size_t at = open + 4;
    long port = 0;
    size_t digits = 0;
    for (; at < line.size() && IsDigit(line[at]); ++at, ++digits) {
        port = port * 10 + (line[at] - '0');
        if (port > 65535)
            throw refuse();
    }
    if (digits == 0 || port == 0 || at + 1 >= line.size() || line[at] != delimiter ||
        line[at + 1] != ')')
        throw refuse();
    return static_cast<int>(port);
}

// EPRT |2|2001:db8::5|5282| (RFC 2428 section 2): 1 for IPv4, 2 for IPv6. A zone ("%eth0")
// names one of our interfaces and means nothing to the server.
std::string ExtendedPortArgument(const std::string& ip, int port) {
    const bool ipv6 = platform::FamilyOf(ip) == platform::AddressFamily::IPv6;
    return std::string(ipv6 ? "|2|" : "|1|") + ip.substr(0, ip.find('%')) + "|" +
           std::to_string(port) + "|";
}

} // namespace tavo::engine
