// POSIX sockets. errno values are mapped onto the Windows Sockets numbers the engine speaks.

#include "engine/platform/sockets.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tavo::platform {
namespace {

int MapErrno(int e) {
    switch (e) {
    case EINTR:
        return 10004;
    case EBADF:
        return 10009;
    case EACCES:
        return 10013;
    case EPERM:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
        return 10024;
    case ENFILE:
        return 10024;
    case EAGAIN:
        return 10035;
    case EINPROGRESS:
        return 10036;
    case EALREADY:
        return 10037;
    case ENOTSOCK:
        return 10038;
    case EDESTADDRREQ:
        return 10039;
    case EMSGSIZE:
        return 10040;
    case EPROTOTYPE:
        return 10041;
    case ENOPROTOOPT:
        return 10042;
    case EPROTONOSUPPORT:
        return 10043;
    case ESOCKTNOSUPPORT:
        return 10044;
    case EOPNOTSUPP:
        return 10045;
    case EPFNOSUPPORT:
        return 10046;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return 10051;
    case ENETRESET:
        return 10052;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
        return 10054;
    case EPIPE:
        return 10054;
    case ENOBUFS:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return 10057;
    case ESHUTDOWN:
        return 10058;
    case ETOOMANYREFS:
        return 10059;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case ELOOP:
        return 10062;
    case ENAMETOOLONG:
        return 10063;
    case EHOSTDOWN:
        return 10064;
    case EHOSTUNREACH:
        return 10065;
    case ENOTEMPTY:
        return 10066;
    default:
        return e;
    }
}

int LastError() {
    return MapErrno(errno);
}

// A socket address of either family. IPv6 text goes through the resolver in numeric mode,
// which also reads a zone ("fe80::1%eth0") that inet_pton refuses.
struct Address {
    sockaddr_storage storage{};
    socklen_t length = 0;
    sockaddr* get() { return reinterpret_cast<sockaddr*>(&storage); }
};

bool MakeAddress(const std::string& ip, int port, AddressFamily anyFamily, Address& address) {
    address = Address{};
    const bool ipv6 =
        ip.empty() ? anyFamily == AddressFamily::IPv6 : FamilyOf(ip) == AddressFamily::IPv6;
    if (!ipv6) {
        auto& v4 = reinterpret_cast<sockaddr_in&>(address.storage);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<uint16_t>(port));
        v4.sin_addr.s_addr = htonl(INADDR_ANY);
        address.length = sizeof v4;
        return ip.empty() || inet_pton(AF_INET, ip.c_str(), &v4.sin_addr) == 1;
    }
    auto& v6 = reinterpret_cast<sockaddr_in6&>(address.storage);
    address.length = sizeof v6;
    if (!ip.empty()) {
        addrinfo hints{};
        hints.ai_family = AF_INET6;
        hints.ai_flags = AI_NUMERICHOST;
        addrinfo* found = nullptr;
        if (::getaddrinfo(ip.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
            return false;
        std::memcpy(&v6, found->ai_addr, sizeof v6);
        ::freeaddrinfo(found);
    }
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(static_cast<uint16_t>(port));
    return true;
}

int ReadAddress(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[NI_MAXHOST] = {};
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::getnameinfo(reinterpret_cast<const sockaddr*>(&v6), sizeof v6, text, sizeof text, nullptr,
                      0, NI_NUMERICHOST);
        port = ntohs(v6.sin6_port);
    } else {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    }
    ip = text;
    return 0;
}

} // namespace

int StartSocketLibrary() {
    return 0;
}
void StopSocketLibrary() {}

SocketHandle CreateTcpSocket(int& error, AddressFamily family) {
    int s = ::socket(family == AddressFamily::IPv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC,
                     IPPROTO_TCP);
    error = s < 0 ? LastError() : 0;
    return s < 0 ? InvalidSocket : s;
}

int BindSocket(SocketHandle socket, const std::string& ip, int port, AddressFamily anyFamily) {
    Address address;
    if (!MakeAddress(ip, port, anyFamily, address))
        return 10049;
    return ::bind(static_cast<int>(socket), address.get(), address.length) == 0 ? 0 : LastError();
}

// A non-blocking connect polled in short slices: closing a socket does not wake a thread
// blocked in connect() on Linux, so cancellation has to be looked for.
int ConnectSocket(SocketHandle socket, const std::string& ip, int port,
                  const std::atomic<bool>& cancelled) {
    Address address;
    if (!MakeAddress(ip, port, AddressFamily::IPv4, address))
        return 10049;
    int fd = static_cast<int>(socket);
    int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int result = 0;
    if (::connect(fd, address.get(), address.length) != 0) {
        result = errno == EINPROGRESS || errno == EINTR ? -1 : LastError();
        while (result == -1) {
            if (cancelled.load())
                return 10038;
            pollfd entry{fd, POLLOUT, 0};
            int rc = ::poll(&entry, 1, 25);
            if (rc < 0 && errno != EINTR) {
                result = LastError();
            } else if (rc > 0) {
                int pending = 0;
                socklen_t length = sizeof pending;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length);
                result = pending == 0 ? 0 : MapErrno(pending);
            }
        }
    }
    ::fcntl(fd, F_SETFL, flags);
    return result;
}

int SetNonBlocking(SocketHandle socket, bool nonBlocking) {
    int fd = static_cast<int>(socket);
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return LastError();
    flags = nonBlocking ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
    return ::fcntl(fd, F_SETFL, flags) == 0 ? 0 : LastError();
}

int ListenSocket(SocketHandle socket, int backlog) {
    return ::listen(static_cast<int>(socket), backlog) == 0 ? 0 : LastError();
}

SocketHandle AcceptSocket(SocketHandle listener, int& error) {
    int s;
    do {
        s = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    } while (s < 0 && errno == EINTR);
    error = s < 0 ? LastError() : 0;
    return s < 0 ? InvalidSocket : s;
}

int SendSocket(SocketHandle socket, const void* data, int count, int& error) {
    ssize_t n;
    do {
        n = ::send(static_cast<int>(socket), data, static_cast<size_t>(count), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    error = n < 0 ? LastError() : 0;
    return static_cast<int>(n);
}

int ReceiveSocket(SocketHandle socket, void* data, int count, int& error) {
    ssize_t n;
    do {
        n = ::recv(static_cast<int>(socket), data, static_cast<size_t>(count), 0);
    } while (n < 0 && errno == EINTR);
    error = n < 0 ? LastError() : 0;
    return static_cast<int>(n);
}

namespace {

int WaitFor(SocketHandle socket, short events, int timeoutMs, int& error) {
    pollfd entry{static_cast<int>(socket), events, 0};
    int rc = ::poll(&entry, 1, timeoutMs < 0 ? -1 : timeoutMs);
    if (rc < 0) {
        error = LastError();
        return -1;
    }
    error = 0;
    if (rc > 0 && (entry.revents & POLLNVAL)) {
        error = 10038;
        return -1;
    }
    return rc > 0 ? 1 : 0;
}

} // namespace

int BytesWaiting(SocketHandle socket) {
    int count = 0;
    return ::ioctl(static_cast<int>(socket), FIONREAD, &count) == 0 && count > 0 ? count : 0;
}

int WaitReadable(SocketHandle socket, int timeoutMs, int& error) {
    return WaitFor(socket, POLLIN, timeoutMs, error);
}

int WaitWritable(SocketHandle socket, int timeoutMs, int& error) {
    return WaitFor(socket, POLLOUT, timeoutMs, error);
}

int LocalAddress(SocketHandle socket, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&address), &length) !=
        0)
        return LastError();
    return ReadAddress(address, ip, port);
}

int PeerAddress(SocketHandle socket, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&address), &length) !=
        0)
        return LastError();
    return ReadAddress(address, ip, port);
}

void ShutdownSend(SocketHandle socket) {
    ::shutdown(static_cast<int>(socket), SHUT_WR);
}

void CloseSocket(SocketHandle socket) {
    ::close(static_cast<int>(socket));
}

int ResolveAll(const std::string& host, std::vector<std::string>& ips) {
    ips.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr)
        return rc == EAI_SYSTEM ? LastError() : ErrHostNotFound;
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6)
            continue;
        sockaddr_storage address{};
        std::memcpy(&address, entry->ai_addr, entry->ai_addrlen);
        std::string ip;
        int port = 0;
        ReadAddress(address, ip, port);
        if (std::find(ips.begin(), ips.end(), ip) == ips.end())
            ips.push_back(ip);
    }
    ::freeaddrinfo(found);
    return ips.empty() ? ErrHostNotFound : 0;
}

} // namespace tavo::platform
