#pragma once
// A bare TCP peer over the platform's sockets, bounded in time: the client side for tests of
// the test servers themselves (and for tests that need to act as a crude FTP client).

#include "engine/platform/sockets.h"

#include <optional>
#include <string>

namespace tavo::testing {

class RawClient {
public:
    RawClient();
    // Takes over a connected socket (from RawListener::Accept).
    explicit RawClient(platform::SocketHandle connected);
    ~RawClient();
    RawClient(RawClient&& other) noexcept;
    RawClient& operator=(RawClient&&) = delete;
    RawClient(const RawClient&) = delete;

    // 0 or the error number. fromIp binds the local end first when not empty.
    int Connect(const std::string& ip, int port, const std::string& fromIp = "");
    bool Send(const std::string& bytes);
    // What one receive brings within timeoutMs: empty on timeout or when the peer closed.
    std::string ReadSome(int timeoutMs);
    // One line through its LF (returned with its line end), or nullopt on timeout or close.
    std::optional<std::string> ReadLine(int timeoutMs);
    // One FTP reply, all its lines with their line ends ("230-..." up to "230 ...").
    std::string ReadReply(int timeoutMs);
    // Everything until the peer closes (or the time is up).
    std::string ReadToEnd(int timeoutMs);
    // True once a receive saw the peer's close.
    bool PeerClosed() const { return peerClosed; }
    std::string PeerIp() const;
    void Close();

private:
    bool Fill(int timeoutMs);

    platform::SocketHandle socket = platform::InvalidSocket;
    std::string pending;
    bool peerClosed = false;
};

class RawListener {
public:
    RawListener();
    ~RawListener();
    // Listens on ip at a port chosen by the system; returns the port, or 0 on failure.
    int Listen(const std::string& ip);
    // The next connection within timeoutMs, or nullopt.
    std::optional<RawClient> Accept(int timeoutMs);

private:
    platform::SocketHandle socket = platform::InvalidSocket;
};

// "h1,h2,h3,h4,p1,p2" for a PORT command or a PASV reply.
std::string FtpAddress(const std::string& ip, int port);
// The address in the first "(...)" of a PASV reply, or after its last space; false if none.
bool ParsePasvReply(const std::string& reply, std::string& ip, int& port);

} // namespace tavo::testing
