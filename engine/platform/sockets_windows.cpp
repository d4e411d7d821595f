// Windows Sockets 2, loaded at run time so the library needs nothing but the system's
// ws2_32.dll, and only once the first engine object exists.

#include "engine/platform/sockets.h"

#include "engine/platform/message_pump.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace tavo::platform {
namespace {

struct WinsockApi {
    HMODULE module = nullptr;
    decltype(&::WSAStartup) startup = nullptr;
    decltype(&::WSACleanup) cleanup = nullptr;
    decltype(&::WSAGetLastError) lastError = nullptr;
    decltype(&::socket) socket = nullptr;
    decltype(&::bind) bind = nullptr;
    decltype(&::connect) connect = nullptr;
    decltype(&::listen) listen = nullptr;
    decltype(&::accept) accept = nullptr;
    decltype(&::send) send = nullptr;
    decltype(&::recv) recv = nullptr;
    decltype(&::select) select = nullptr;
    decltype(&::getsockname) getsockname = nullptr;
    decltype(&::getpeername) getpeername = nullptr;
    decltype(&::shutdown) shutdown = nullptr;
    decltype(&::closesocket) closesocket = nullptr;
    decltype(&::getaddrinfo) getaddrinfo = nullptr;
    decltype(&::freeaddrinfo) freeaddrinfo = nullptr;
    decltype(&::getnameinfo) getnameinfo = nullptr;
    decltype(&::ioctlsocket) ioctlsocket = nullptr;
    decltype(&::getsockopt) getsockopt = nullptr;
    decltype(&::setsockopt) setsockopt = nullptr;
    decltype(&::WSAEventSelect) eventSelect = nullptr;
    decltype(&::WSAEnumNetworkEvents) enumNetworkEvents = nullptr;
};

WinsockApi api;

template <typename F> bool Load(F& target, const char* name) {
    target = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(api.module, name)));
    return target != nullptr;
}

int LastError() {
    return api.lastError ? api.lastError() : WSANOTINITIALISED;
}

bool ParseDotted(const std::string& ip, in_addr& address) {
    unsigned parts[4];
    char tail;
    if (std::sscanf(ip.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                    &tail) != 4)
        return false;
    for (unsigned p : parts)
        if (p > 255)
            return false;
    auto* bytes = reinterpret_cast<unsigned char*>(&address.s_addr);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(parts[i]);
    return true;
}

// A socket address of either family. IPv6 text goes through the resolver in numeric mode
// (inet_pton is missing from older ws2_32), which also reads a zone ("fe80::1%2").
struct Address {
    sockaddr_storage storage{};
    int length = 0;
    sockaddr* get() { return reinterpret_cast<sockaddr*>(&storage); }
};

u_short NetworkPort(int port) {
    return static_cast<u_short>(((port & 0xFF) << 8) | ((port >> 8) & 0xFF));
}

int HostPort(u_short port) {
    const auto* p = reinterpret_cast<const unsigned char*>(&port);
    return (p[0] << 8) | p[1];
}

bool MakeAddress(const std::string& ip, int port, AddressFamily anyFamily, Address& address) {
    address = Address{};
    const bool ipv6 =
        ip.empty() ? anyFamily == AddressFamily::IPv6 : FamilyOf(ip) == AddressFamily::IPv6;
    if (!ipv6) {
        auto& v4 = reinterpret_cast<sockaddr_in&>(address.storage);
        v4.sin_family = AF_INET;
        v4.sin_port = NetworkPort(port);
        address.length = sizeof v4;
        return ip.empty() || ParseDotted(ip, v4.sin_addr); // INADDR_ANY is all zeros
    }
    auto& v6 = reinterpret_cast<sockaddr_in6&>(address.storage);
    address.length = sizeof v6;
    if (!ip.empty()) {
        addrinfo hints{};
        hints.ai_family = AF_INET6;
        hints.ai_flags = AI_NUMERICHOST;
        addrinfo* found = nullptr;
        if (api.getaddrinfo(ip.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
            return false;
        std::memcpy(&v6, found->ai_addr, sizeof v6);
        api.freeaddrinfo(found);
    }
    v6.sin6_family = AF_INET6;
    v6.sin6_port = NetworkPort(port);
    return true;
}

void ReadAddress(const sockaddr_storage& address, std::string& ip, int& port) {
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        char text[NI_MAXHOST] = {};
        api.getnameinfo(reinterpret_cast<const sockaddr*>(&v6), sizeof v6, text, sizeof text,
                        nullptr, 0, NI_NUMERICHOST);
        ip = text;
        port = HostPort(v6.sin6_port);
        return;
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    const auto* b = reinterpret_cast<const unsigned char*>(&v4.sin_addr.s_addr);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    ip = text;
    port = HostPort(v4.sin_port);
}

SOCKET Native(SocketHandle s) {
    return static_cast<SOCKET>(s);
}

// FD_ISSET calls into ws2_32 by name, which a run-time loaded library must not need.
bool InSet(const fd_set& set, SOCKET socket) {
    for (u_int i = 0; i < set.fd_count; ++i)
        if (set.fd_array[i] == socket)
            return true;
    return false;
}

} // namespace

int StartSocketLibrary() {
    if (api.module == nullptr) {
        api.module = LoadLibraryA("ws2_32.dll");
        if (api.module == nullptr)
            return WSASYSNOTREADY;
        bool ok = Load(api.startup, "WSAStartup") && Load(api.cleanup, "WSACleanup") &&
                  Load(api.lastError, "WSAGetLastError") && Load(api.socket, "socket") &&
                  Load(api.bind, "bind") && Load(api.connect, "connect") &&
                  Load(api.listen, "listen") && Load(api.accept, "accept") &&
                  Load(api.send, "send") && Load(api.recv, "recv") && Load(api.select, "select") &&
                  Load(api.getsockname, "getsockname") && Load(api.getpeername, "getpeername") &&
                  Load(api.shutdown, "shutdown") && Load(api.closesocket, "closesocket") &&
                  Load(api.getaddrinfo, "getaddrinfo") && Load(api.freeaddrinfo, "freeaddrinfo") &&
                  Load(api.getnameinfo, "getnameinfo") && Load(api.ioctlsocket, "ioctlsocket") &&
                  Load(api.getsockopt, "getsockopt") && Load(api.setsockopt, "setsockopt") &&
                  Load(api.eventSelect, "WSAEventSelect") &&
                  Load(api.enumNetworkEvents, "WSAEnumNetworkEvents");
        if (!ok) {
            FreeLibrary(api.module);
            api = WinsockApi{};
            return WSASYSNOTREADY;
        }
    }
    WSADATA data;
    return api.startup(MAKEWORD(2, 2), &data);
}

// WSAStartup and WSACleanup count their calls, so the engine and anything else in the
// process may start and stop independently; the module itself stays loaded.
void StopSocketLibrary() {
    if (api.module != nullptr)
        api.cleanup();
}

// Under Wine every wait on a socket is a round trip through wineserver, and while the client
// makes it a buffer of the default size fills and the peer stalls: transfers ran at a third of
// a native client's speed, and at far less on a busy machine. With deep buffers the peer keeps
// sending, and our sends keep flowing, across the wait. Accepted sockets inherit the
// listener's. A refusal leaves the default, with which the socket still works.
constexpr int SocketBufferBytes = 4 << 20;

SocketHandle CreateTcpSocket(int& error, AddressFamily family) {
    SOCKET s =
        api.socket(family == AddressFamily::IPv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
    error = s == INVALID_SOCKET ? LastError() : 0;
    if (s == INVALID_SOCKET)
        return InvalidSocket;
    const int deep = SocketBufferBytes;
    api.setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&deep), sizeof deep);
    api.setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&deep), sizeof deep);
    return static_cast<SocketHandle>(s);
}

int BindSocket(SocketHandle socket, const std::string& ip, int port, AddressFamily anyFamily) {
    Address address;
    if (!MakeAddress(ip, port, anyFamily, address))
        return WSAEADDRNOTAVAIL;
    return api.bind(Native(socket), address.get(), address.length) == 0 ? 0 : LastError();
}

// Non-blocking connect polled in short slices, so a cancelled attempt ends promptly.
int ConnectSocket(SocketHandle socket, const std::string& ip, int port,
                  const std::atomic<bool>& cancelled) {
    Address address;
    if (!MakeAddress(ip, port, AddressFamily::IPv4, address))
        return WSAEADDRNOTAVAIL;
    u_long nonBlocking = 1;
    api.ioctlsocket(Native(socket), FIONBIO, &nonBlocking);
    int result = 0;
    if (api.connect(Native(socket), address.get(), address.length) != 0) {
        int error = LastError();
        result = error == WSAEWOULDBLOCK ? -1 : error;
        while (result == -1) {
            if (cancelled.load())
                return WSAENOTSOCK;
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(Native(socket), &writable);
            FD_SET(Native(socket), &failed);
            timeval slice{0, 25000};
            int rc = api.select(0, nullptr, &writable, &failed, &slice);
            if (rc == SOCKET_ERROR) {
                result = LastError();
            } else if (rc > 0) {
                int pending = 0;
                int length = sizeof pending;
                api.getsockopt(Native(socket), SOL_SOCKET, SO_ERROR,
                               reinterpret_cast<char*>(&pending), &length);
                result = InSet(writable, Native(socket)) && pending == 0
                             ? 0
                             : (pending != 0 ? pending : WSAECONNREFUSED);
            }
        }
    }
    nonBlocking = 0;
    api.ioctlsocket(Native(socket), FIONBIO, &nonBlocking);
    return result;
}

int SetNonBlocking(SocketHandle socket, bool nonBlocking) {
    u_long value = nonBlocking ? 1 : 0;
    return api.ioctlsocket(Native(socket), FIONBIO, &value) == 0 ? 0 : LastError();
}

int ListenSocket(SocketHandle socket, int backlog) {
    return api.listen(Native(socket), backlog) == 0 ? 0 : LastError();
}

SocketHandle AcceptSocket(SocketHandle listener, int& error) {
    SOCKET s = api.accept(Native(listener), nullptr, nullptr);
    error = s == INVALID_SOCKET ? LastError() : 0;
    return s == INVALID_SOCKET ? InvalidSocket : static_cast<SocketHandle>(s);
}

int SendSocket(SocketHandle socket, const void* data, int count, int& error) {
    int n = api.send(Native(socket), static_cast<const char*>(data), count, 0);
    error = n == SOCKET_ERROR ? LastError() : 0;
    return n == SOCKET_ERROR ? -1 : n;
}

int ReceiveSocket(SocketHandle socket, void* data, int count, int& error) {
    int n = api.recv(Native(socket), static_cast<char*>(data), count, 0);
    error = n == SOCKET_ERROR ? LastError() : 0;
    return n == SOCKET_ERROR ? -1 : n;
}

namespace {

// One socket in the read or the write set; rc > 0 says it is ready (no FD_ISSET needed).
int WaitFor(SocketHandle socket, bool write, int timeoutMs, int& error) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(Native(socket), &ready);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int rc = api.select(0, write ? nullptr : &ready, write ? &ready : nullptr, nullptr,
                        timeoutMs < 0 ? nullptr : &limit);
    if (rc == SOCKET_ERROR) {
        error = LastError();
        return -1;
    }
    error = 0;
    return rc > 0 ? 1 : 0;
}

// One event per thread for the socket's readiness, kept for the thread's life.
HANDLE ThreadSocketEvent() {
    struct Event {
        HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ~Event() { CloseHandle(handle); }
    };
    thread_local Event event;
    return event.handle;
}

bool QuitPending() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

// Waits for the socket or a window message of this thread, whichever comes first; a message
// is handled by the thread's MessageWake and the wait goes on. The socket is bound to the
// event only while this thread sleeps, and is blocking again whenever a handler runs: a
// handler may use the same socket, or wait on it itself.
int WaitReadableOrMessages(SocketHandle socket, int timeoutMs, int& error, MessageWake& wake) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    HANDLE event = ThreadSocketEvent();
    for (;;) {
        DWORD left = INFINITE;
        if (timeoutMs >= 0) {
            auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                          .count();
            left = ms > 0 ? static_cast<DWORD>(ms) : 0;
        }
        if (api.eventSelect(Native(socket), event, FD_READ | FD_CLOSE | FD_ACCEPT) != 0) {
            error = LastError();
            return -1;
        }
        // Only input that arrived since the queue was last looked at wakes the wait: a
        // message the pump leaves queued must not wake it again and again.
        DWORD woke = MsgWaitForMultipleObjectsEx(1, &event, left, QS_ALLINPUT, 0);
        // Winsock keeps a network event recorded until it is enumerated, and signals the
        // event again at the next WSAEventSelect: unread, an FD_READ long consumed would wake
        // every later wait at once and turn it into a busy loop (this also resets the event).
        WSANETWORKEVENTS recorded;
        api.enumNetworkEvents(Native(socket), event, &recorded);
        api.eventSelect(Native(socket), nullptr, 0);
        u_long blocking = 0;
        api.ioctlsocket(Native(socket), FIONBIO, &blocking);
        ResetEvent(event);
        if (woke == WAIT_OBJECT_0 + 1) {
            if (!wake.HandleMessages())
                return 0;
            // A quit message stays queued for the host's own loop and would wake every wait:
            // wait for the socket alone then.
            if (QuitPending()) {
                auto ms =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                        .count();
                return WaitFor(socket, false, timeoutMs < 0 ? -1 : std::max<int>(0, ms), error);
            }
        }
        int rc = WaitFor(socket, false, 0, error);
        if (rc != 0 || woke == WAIT_TIMEOUT || woke == WAIT_FAILED || left == 0)
            return rc;
    }
}

} // namespace

// Under Wine this asks the socket itself, without a round trip to the server that a select()
// costs.
int BytesWaiting(SocketHandle socket) {
    u_long count = 0;
    return api.ioctlsocket(Native(socket), FIONREAD, &count) == 0 && count > 0
               ? static_cast<int>(std::min<u_long>(count, 0x7fffffff))
               : 0;
}

int WaitReadable(SocketHandle socket, int timeoutMs, int& error) {
    MessageWake* wake = MessageWake::Current();
    if (wake == nullptr || timeoutMs == 0)
        return WaitFor(socket, false, timeoutMs, error);
    // Data already waiting (most reads of a download) costs one poll, as without the wake.
    int rc = WaitFor(socket, false, 0, error);
    if (rc != 0)
        return rc;
    return WaitReadableOrMessages(socket, timeoutMs, error, *wake);
}

int WaitWritable(SocketHandle socket, int timeoutMs, int& error) {
    return WaitFor(socket, true, timeoutMs, error);
}

int LocalAddress(SocketHandle socket, std::string& ip, int& port) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (api.getsockname(Native(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return LastError();
    ReadAddress(address, ip, port);
    return 0;
}

int PeerAddress(SocketHandle socket, std::string& ip, int& port) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (api.getpeername(Native(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return LastError();
    ReadAddress(address, ip, port);
    return 0;
}

void ShutdownSend(SocketHandle socket) {
    api.shutdown(Native(socket), SD_SEND);
}

void CloseSocket(SocketHandle socket) {
    api.closesocket(Native(socket));
}

int ResolveAll(const std::string& host, std::vector<std::string>& ips) {
    ips.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = api.getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr)
        return rc != 0 ? rc : WSAHOST_NOT_FOUND;
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6)
            continue;
        sockaddr_storage address{};
        std::memcpy(&address, entry->ai_addr, std::min<size_t>(entry->ai_addrlen, sizeof address));
        std::string ip;
        int port = 0;
        ReadAddress(address, ip, port);
        if (std::find(ips.begin(), ips.end(), ip) == ips.end())
            ips.push_back(ip);
    }
    api.freeaddrinfo(found);
    return ips.empty() ? WSAHOST_NOT_FOUND : 0;
}

} // namespace tavo::platform
