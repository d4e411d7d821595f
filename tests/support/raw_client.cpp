#include "tests/support/raw_client.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <utility>

namespace tavo::testing {
namespace {

namespace net = tavo::platform;
using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point until) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0));
}

} // namespace

RawClient::RawClient() {
    net::StartSocketLibrary();
}

RawClient::RawClient(net::SocketHandle connected) : socket(connected) {
    net::StartSocketLibrary();
}

RawClient::RawClient(RawClient&& other) noexcept
    : socket(other.socket), pending(std::move(other.pending)), peerClosed(other.peerClosed) {
    net::StartSocketLibrary();
    other.socket = net::InvalidSocket;
}

RawClient::~RawClient() {
    Close();
    net::StopSocketLibrary();
}

int RawClient::Connect(const std::string& ip, int port, const std::string& fromIp) {
    Close();
    int error = 0;
    socket = net::CreateTcpSocket(error);
    if (socket == net::InvalidSocket)
        return error;
    if (!fromIp.empty())
        error = net::BindSocket(socket, fromIp, 0);
    std::atomic<bool> cancelled{false};
    if (error == 0)
        error = net::ConnectSocket(socket, ip, port, cancelled);
    if (error != 0)
        Close();
    return error;
}

bool RawClient::Send(const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size() && socket != net::InvalidSocket) {
        int error = 0;
        int n =
            net::SendSocket(socket, bytes.data() + at, static_cast<int>(bytes.size() - at), error);
        if (n <= 0)
            return false;
        at += static_cast<std::size_t>(n);
    }
    return at == bytes.size();
}

bool RawClient::Fill(int timeoutMs) {
    if (socket == net::InvalidSocket || peerClosed)
        return false;
    int error = 0;
    if (net::WaitReadable(socket, timeoutMs, error) != 1)
        return false;
    char buffer[65536];
    int n = net::ReceiveSocket(socket, buffer, sizeof buffer, error);
    if (n <= 0) {
        peerClosed = true;
        return false;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    return true;
}

std::string RawClient::ReadSome(int timeoutMs) {
    if (pending.empty())
        Fill(timeoutMs);
    return std::exchange(pending, std::string());
}

std::optional<std::string> RawClient::ReadLine(int timeoutMs) {
    auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (auto lf = pending.find('\n'); lf != std::string::npos) {
            std::string line = pending.substr(0, lf + 1);
            pending.erase(0, lf + 1);
            return line;
        }
        if (!Fill(MillisecondsLeft(until)))
            return std::nullopt;
    }
}

std::string RawClient::ReadReply(int timeoutMs) {
    auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string reply;
    auto first = ReadLine(MillisecondsLeft(until));
    if (!first)
        return reply;
    reply = *first;
    if (first->size() > 3 && (*first)[3] == '-') {
        std::string end = first->substr(0, 3) + " ";
        while (auto line = ReadLine(MillisecondsLeft(until))) {
            reply += *line;
            if (line->rfind(end, 0) == 0)
                break;
        }
    }
    return reply;
}

std::string RawClient::ReadToEnd(int timeoutMs) {
    auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!peerClosed && Clock::now() < until)
        Fill(std::min(MillisecondsLeft(until), 50));
    return std::exchange(pending, std::string());
}

std::string RawClient::PeerIp() const {
    std::string ip;
    int port = 0;
    if (socket != net::InvalidSocket)
        net::PeerAddress(socket, ip, port);
    return ip;
}

void RawClient::Close() {
    if (socket == net::InvalidSocket)
        return;
    net::ShutdownSend(socket);
    net::CloseSocket(socket);
    socket = net::InvalidSocket;
}

RawListener::RawListener() {
    net::StartSocketLibrary();
}

RawListener::~RawListener() {
    if (socket != net::InvalidSocket)
        net::CloseSocket(socket);
    net::StopSocketLibrary();
}

int RawListener::Listen(const std::string& ip) {
    int error = 0;
    socket = net::CreateTcpSocket(error);
    if (socket == net::InvalidSocket || net::BindSocket(socket, ip, 0) != 0 ||
        net::ListenSocket(socket, 4) != 0)
        return 0;
    std::string bound;
    int port = 0;
    net::LocalAddress(socket, bound, port);
    return port;
}

std::optional<RawClient> RawListener::Accept(int timeoutMs) {
    int error = 0;
    if (socket == net::InvalidSocket || net::WaitReadable(socket, timeoutMs, error) != 1)
        return std::nullopt;
    net::SocketHandle accepted = net::AcceptSocket(socket, error);
    if (accepted == net::InvalidSocket)
        return std::nullopt;
    return RawClient(accepted);
}

std::string FtpAddress(const std::string& ip, int port) {
    std::string text = ip;
    std::replace(text.begin(), text.end(), '.', ',');
    return text + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

bool ParsePasvReply(const std::string& reply, std::string& ip, int& port) {
    std::string line = reply.substr(0, reply.find_first_of("\r\n"));
    std::string fields;
    auto open = line.find('(');
    auto close = line.find(')');
    if (open != std::string::npos && close != std::string::npos && close > open)
        fields = line.substr(open + 1, close - open - 1);
    else if (auto space = line.rfind(' '); space != std::string::npos)
        fields = line.substr(space + 1);
    unsigned h[4], p[2];
    if (std::sscanf(fields.c_str(), "%u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0],
                    &p[1]) != 6)
        return false;
    ip = std::to_string(h[0]) + "." + std::to_string(h[1]) + "." + std::to_string(h[2]) + "." +
         std::to_string(h[3]);
    port = static_cast<int>(p[0] * 256 + p[1]);
    return true;
}

} // namespace tavo::testing
