#include "engine/core/id_tcp_client.h"

#include "engine/core/errors.h"
#include "engine/core/id_antifreeze.h"
#include "engine/core/text.h"
#include "engine/platform/message_pump.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tavo::engine {

bool IsDottedIPv4(const std::string& host) {
    int parts = 0;
    size_t start = 0;
    for (;;) {
        size_t dot = host.find('.', start);
        std::string part = host.substr(start, dot == std::string::npos ? dot : dot - start);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoi(part) > 255)
            return false;
        ++parts;
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return parts == 4;
}

bool IsIPv6Literal(const std::string& host) {
    const std::string address = host.substr(0, host.find('%'));
    return address.find(':') != std::string::npos && address.size() <= 45 &&
           std::all_of(address.begin(), address.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
           });
}

std::string UnbracketHost(const std::string& host) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

void TIdTCPClient::OpenConnection(int timeout) {
    if (carrier_ == nullptr) {
        auto carrier = std::make_unique<TIdIOHandlerSocket>();
        carrier->OnStatus = OnStatus;
        AdoptCarrier(std::move(carrier));
    } else if (carrier_->Connected()) {
        throw EIdAlreadyConnected();
    }
    try {
        carrier_->Open();
        ResetInput();
        const std::vector<std::string> addresses = PeerAddresses();
        // A name with several addresses (IPv6 and IPv4, or several of one) is reached through
        // the first that answers, as RFC 6724 orders them; the last failure is what is told.
        for (size_t i = 0; i < addresses.size(); ++i) {
            try {
                ConnectTo(addresses[i], timeout);
                break;
            } catch (const EIdException&) {
                if (i + 1 == addresses.size())
                    throw;
            }
        }
        TIdSocketHandle& socket = *Socket();
        socket.UpdateBindingLocal();
        socket.UpdateBindingPeer();
        if (Intercept != nullptr)
            Intercept->Connect(*this);
        ReportStatus(hsConnected, Host);
        if (OnConnected)
            OnConnected(*this);
    } catch (...) {
        DropSocket();
        throw;
    }
}

std::vector<std::string> TIdTCPClient::PeerAddresses() {
    const std::string host = UnbracketHost(Host);
    const bool literal = IsDottedIPv4(host) || IsIPv6Literal(host);
    if (!literal)
        carrier_->ReportStatus(hsResolving, Host);
    if (EqualsIgnoreCase(host, "LOCALHOST"))
        return {"127.0.0.1"};
    if (literal)
        return {host};
    std::vector<std::string> addresses;
    if (int error = platform::ResolveAll(host, addresses); error != 0)
        throw EIdSocketError(error);
    return addresses;
}

void TIdTCPClient::ConnectTo(const std::string& ip, int timeout) {
    TIdSocketHandle& socket = *Socket();
    socket.AllocateSocket(platform::FamilyOf(ip));
    if (!BoundIP.empty() || BoundPort != 0)
        socket.Bind(BoundIP, BoundPort);
    carrier_->ReportStatus(hsConnecting, ip);
    if (timeout != -1 && timeout != 0) {
        ConnectWithTimeout(ip, timeout);
    } else if (TIdAntiFreeze::PumpApplies()) {
        ConnectWithTimeout(ip, 120000);
    } else {
        std::atomic<bool> never{false};
        if (int error = platform::ConnectSocket(socket.Handle, ip, Port, never); error != 0)
            throw EIdSocketError(error);
    }
}

void TIdTCPClient::ConnectWithTimeout(const std::string& ip, int timeout) {
    struct Attempt {
        std::mutex lock;
        std::condition_variable done;
        bool finished = false;
        std::string errorText;
        std::atomic<bool> cancelled{false};
    } attempt;
    const platform::SocketHandle handle = Socket()->Handle;
    const int port = Port;
    std::thread connector([&attempt, handle, ip, port] {
        int error = platform::ConnectSocket(handle, ip, port, attempt.cancelled);
        std::lock_guard guard(attempt.lock);
        // Bad file number and non-socket mean the socket was closed under us: no error.
        if (error != 0 && error != platform::ErrBadFileNumber && error != platform::ErrNotSocket)
            attempt.errorText = EIdSocketError(error).what();
        attempt.finished = true;
        attempt.done.notify_all();
    });

    auto finished = [&attempt] {
        std::lock_guard guard(attempt.lock);
        return attempt.finished;
    };
    // Wakes early when the connect ends, so a quick connect costs no full slice.
    auto sleepSlice = [&attempt](int milliseconds) {
        std::unique_lock guard(attempt.lock);
        attempt.done.wait_for(guard, std::chrono::milliseconds(milliseconds),
                              [&attempt] { return attempt.finished; });
    };

    const int slice =
        TIdAntiFreeze::PumpApplies() ? std::min(TIdAntiFreeze::Current()->IdleTimeOut, 125) : 125;
    int remaining = timeout;
    while (timeout == -2 || remaining > slice) {
        sleepSlice(slice);
        remaining = timeout == -2 ? slice + 1 : remaining - slice;
        TIdAntiFreeze::PumpIfDue(true);
        if (finished())
            break;
    }
    if (!finished())
        sleepSlice(remaining);

    if (finished()) {
        connector.join();
        if (!attempt.errorText.empty())
            throw EIdConnectException(attempt.errorText);
        return;
    }
    attempt.cancelled = true;
    connector.join();
    Socket()->CloseSocket();
    throw EIdConnectTimeout();
}

} // namespace tavo::engine
