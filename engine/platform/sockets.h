#pragma once
// The engine's one door to the operating system's sockets. Every call reports failure as an
// error number in Windows Sockets numbering (10061 for a refused connect, ...), whatever the
// platform, so the rest of the engine maps numbers to texts in one place.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tavo::platform {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle InvalidSocket = -1;

// Winsock numbers the engine itself tests for.
inline constexpr int ErrInterrupted = 10004;
inline constexpr int ErrBadFileNumber = 10009;
inline constexpr int ErrInvalidArgument = 10022;
inline constexpr int ErrWouldBlock = 10035;
inline constexpr int ErrNotSocket = 10038;
inline constexpr int ErrAddressInUse = 10048;
inline constexpr int ErrConnectionAborted = 10053;
inline constexpr int ErrConnectionReset = 10054;
inline constexpr int ErrNotConnected = 10057;
inline constexpr int ErrShutdown = 10058;
inline constexpr int ErrTimedOut = 10060;
inline constexpr int ErrConnectionRefused = 10061;
inline constexpr int ErrHostNotFound = 11001;

// Starts the socket library (Windows Sockets 2.2, loaded at run time). Returns 0 or an error.
int StartSocketLibrary();
void StopSocketLibrary();

enum class AddressFamily { IPv4, IPv6 };

// The family of a numeric address: IPv6 addresses are the ones with a colon ("::1",
// "fe80::1%2"), anything else is taken as IPv4.
inline AddressFamily FamilyOf(const std::string& ip) {
    return ip.find(':') != std::string::npos ? AddressFamily::IPv6 : AddressFamily::IPv4;
}

SocketHandle CreateTcpSocket(int& error, AddressFamily family = AddressFamily::IPv4);
// Binds to a numeric address, or to any local address of `anyFamily` when ip is empty.
int BindSocket(SocketHandle socket, const std::string& ip, int port,
               AddressFamily anyFamily = AddressFamily::IPv4);
// Connects, waiting until done, failed, or `cancelled` turns true (then ErrNotSocket, the
// answer a blocking connect gets when its socket is closed under it).
int ConnectSocket(SocketHandle socket, const std::string& ip, int port,
                  const std::atomic<bool>& cancelled);
int ListenSocket(SocketHandle socket, int backlog);
SocketHandle AcceptSocket(SocketHandle listener, int& error);

// Bytes sent or received (0 = peer closed for Receive), or -1 with error set.
int SendSocket(SocketHandle socket, const void* data, int count, int& error);
int ReceiveSocket(SocketHandle socket, void* data, int count, int& error);

// Switches the socket between blocking and non-blocking sends and receives; 0 or an error.
// A non-blocking call that cannot go on at once fails with ErrWouldBlock.
int SetNonBlocking(SocketHandle socket, bool nonBlocking);

// Bytes that a receive would return at once without waiting; 0 when none or unknown.
int BytesWaiting(SocketHandle socket);

// 1 when readable within timeoutMs (-1 = no limit), 0 on timeout, -1 with error set.
int WaitReadable(SocketHandle socket, int timeoutMs, int& error);
// 1 when the socket takes more bytes within timeoutMs (-1 = no limit), else as WaitReadable.
int WaitWritable(SocketHandle socket, int timeoutMs, int& error);

// Addresses as numeric text: dotted IPv4, or IPv6 as the resolver writes it ("::1").
int LocalAddress(SocketHandle socket, std::string& ip, int& port);
int PeerAddress(SocketHandle socket, std::string& ip, int& port);
void ShutdownSend(SocketHandle socket);
void CloseSocket(SocketHandle socket);

// Every address of a host name, of either family, as numeric text in the resolver's order of
// preference (RFC 6724), each once; 0 or an error number.
int ResolveAll(const std::string& host, std::vector<std::string>& ips);

} // namespace tavo::platform
