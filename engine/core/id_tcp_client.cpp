#include "engine/core/id_tcp_client.h"

#include "engine/core/errors.h"
#include "engine/core/id_antifreeze.h"
#include "engine/core/text.h"
#include "engine/platform/message_pump.h"

#include <algorithm>
#include <atomic>
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
        TIdSocketHandle& socket = *Socket();
        socket.AllocateSocket();
        if (!BoundIP.empty() || BoundPort != 0)
            socket.Bind(BoundIP, BoundPort);
        if (!IsDottedIPv4(Host))
            carrier_->ReportStatus(hsResolving, Host);
        std::string ip;
        if (EqualsIgnoreCase(Host, "LOCALHOST")) {
            ip = "127.0.0.1";
        } else if (IsDottedIPv4(Host)) {
            ip = Host;
        } else if (int error = platform::ResolveIPv4(Host, ip); error != 0) {
            throw EIdSocketError(error);
        }
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
