#include "tests/support/scripted_server.h"

#include "tests/support/wait_writable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace tavo::testing {
namespace {

using Clock = std::chrono::steady_clock;
namespace net = tavo::platform;

constexpr int SliceMs = 20;
constexpr std::size_t MaxLineBytes = 1 << 20;
// A step's first send takes up to FirstChunk bytes, so a reply leaves in one piece as a real
// server sends it; the rest goes in pieces small enough that a socket reported writable takes
// them without blocking (under Wine a blocked send cannot be woken from another thread).
constexpr std::size_t FirstChunk = 64 * 1024;
constexpr std::size_t LaterChunk = 2048;

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

bool PeerClosedError(int error) {
    return error == net::ErrConnectionReset || error == net::ErrConnectionAborted ||
           error == net::ErrShutdown;
}

std::vector<std::string> CutInPieces(const std::string& bytes,
                                     const std::vector<std::size_t>& sizes) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    std::size_t index = 0;
    while (at < bytes.size()) {
        std::size_t size = sizes.empty() ? bytes.size() : sizes[std::min(index, sizes.size() - 1)];
        size = std::max<std::size_t>(size, 1);
        pieces.push_back(bytes.substr(at, size));
        at += size;
        ++index;
    }
    return pieces;
}

} // namespace

ScriptedServer::ScriptedServer(std::string listenIp) : host(std::move(listenIp)) {
    if (int error = net::StartSocketLibrary())
        throw std::runtime_error("scripted server: socket library failed: " +
                                 std::to_string(error));
    int error = 0;
    listener = net::CreateTcpSocket(error, net::FamilyOf(host));
    if (listener == net::InvalidSocket)
        throw std::runtime_error("scripted server: no socket: " + std::to_string(error));
    if ((error = net::BindSocket(listener, host, 0)) != 0 ||
        (error = net::ListenSocket(listener, 16)) != 0) {
        net::CloseSocket(listener);
        throw std::runtime_error("scripted server: cannot listen: " + std::to_string(error));
    }
    std::string boundIp;
    net::LocalAddress(listener, boundIp, port);
}

ScriptedServer::~ScriptedServer() {
    stopping = true;
    changed.notify_all();
    if (worker.joinable())
        worker.join();
    if (watchdog.joinable())
        watchdog.join();
    CloseSocketVar(data);
    CloseSocketVar(pasvListener);
    CloseSocketVar(control);
    CloseSocketVar(listener);
    net::StopSocketLibrary();
}

ScriptedServer& ScriptedServer::StepTimeout(int milliseconds) {
    stepTimeoutMs = milliseconds;
    return *this;
}

ScriptedServer& ScriptedServer::IdleLimit(int milliseconds) {
    idleLimitMs = milliseconds;
    return *this;
}

ScriptedServer& ScriptedServer::Add(std::string description, std::function<bool()> run) {
    if (started)
        throw std::logic_error("scripted server: the script is fixed once started");
    steps.push_back({std::move(description), std::move(run)});
    return *this;
}

// ---- Control connection steps.

ScriptedServer& ScriptedServer::Send(std::string bytes) {
    return Add("Send " + Quote(bytes),
               [this, bytes] { return SendAll(control, bytes, false, "reply"); });
}

ScriptedServer& ScriptedServer::SendInPieces(std::string bytes, std::vector<std::size_t> pieceSizes,
                                             int pauseMs) {
    return Add("SendInPieces " + Quote(bytes), [this, bytes, pieceSizes, pauseMs] {
        return SendPieces(control, bytes, pieceSizes, pauseMs, "reply");
    });
}

ScriptedServer& ScriptedServer::Trickle(std::string bytes, int pauseMs) {
    return Add("Trickle " + Quote(bytes), [this, bytes, pauseMs] {
        return SendPieces(control, bytes, {1}, pauseMs, "reply");
    });
}

ScriptedServer& ScriptedServer::Expect(std::string line) {
    return Add("Expect " + Quote(line), [this, line] {
        return ExpectLine([line](const std::string& got) { return got == line; }, Quote(line));
    });
}

ScriptedServer& ScriptedServer::ExpectPrefix(std::string prefix) {
    return Add("ExpectPrefix " + Quote(prefix), [this, prefix] {
        return ExpectLine([prefix](const std::string& got) { return got.rfind(prefix, 0) == 0; },
                          "a line starting with " + Quote(prefix));
    });
}

ScriptedServer& ScriptedServer::ExpectAny() {
    return Add("ExpectAny",
               [this] { return ExpectLine([](const std::string&) { return true; }, "a line"); });
}

ScriptedServer& ScriptedServer::ExpectClosed() {
    return Add("ExpectClosed", [this] {
        bool closed = WaitForClose(control, stepTimeoutMs, false, "control connection");
        CloseSocketVar(control);
        return closed;
    });
}

ScriptedServer& ScriptedServer::Pause(int milliseconds) {
    return Add("Pause " + std::to_string(milliseconds),
               [this, milliseconds] { return PauseFor(milliseconds); });
}

ScriptedServer& ScriptedServer::Silence() {
    return Add("Silence", [this] {
        // Whatever the client says meanwhile is recorded, not answered.
        std::string line;
        auto until = Clock::now() + std::chrono::milliseconds(idleLimitMs);
        while (!Stopping() && Clock::now() < until) {
            int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now())
                    .count());
            ReadResult result = ReadLine(line, std::max(left, 1));
            if (result != ReadResult::Line)
                break;
        }
        CloseSocketVar(control);
        return true;
    });
}

ScriptedServer& ScriptedServer::CloseControl() {
    return Add("CloseControl", [this] {
        CloseSocketVar(control);
        return true;
    });
}

ScriptedServer& ScriptedServer::AcceptControl() {
    return Add("AcceptControl", [this] {
        CloseSocketVar(control);
        controlInput.clear();
        control = AcceptOn(listener, "control connection");
        return control != net::InvalidSocket;
    });
}

ScriptedServer& ScriptedServer::Mark(std::string name) {
    return Add("Mark " + name, [this, name] {
        {
            std::lock_guard lock(mutex);
            marksReached.push_back(name);
        }
        changed.notify_all();
        return true;
    });
}

ScriptedServer& ScriptedServer::LayerControl(ServerLayerMaker make) {
    return Add("LayerControl", [this, make] {
        return PutLayer(control, controlLayer, make, "control connection");
    });
}

// ---- Data connection steps.

bool ScriptedServer::OpenDataListener() {
    CloseSocketVar(pasvListener);
    int error = 0;
    pasvListener = net::CreateTcpSocket(error, net::FamilyOf(host));
    if (pasvListener == net::InvalidSocket ||
        (error = net::BindSocket(pasvListener, host, 0)) != 0 ||
        (error = net::ListenSocket(pasvListener, 4)) != 0) {
        Fail("cannot open the data listener: error " + std::to_string(error));
        return false;
    }
    return true;
}

ScriptedServer& ScriptedServer::ReplyPasv(PasvReply reply) {
    return Add("ReplyPasv " + Quote(reply.Format), [this, reply] {
        if (!OpenDataListener())
            return false;
        std::string ip;
        int dataPort = 0;
        net::LocalAddress(pasvListener, ip, dataPort);
        std::string address = reply.AnnouncedIp;
        std::replace(address.begin(), address.end(), '.', ',');
        address += "," + std::to_string(dataPort / 256) + "," + std::to_string(dataPort % 256);
        std::string text = reply.Format;
        if (auto at = text.find("{address}"); at != std::string::npos)
            text.replace(at, 9, address);
        return SendAll(control, text, false, "PASV reply");
    });
}

ScriptedServer& ScriptedServer::ReplyEpsv(std::string format) {
    return Add("ReplyEpsv " + Quote(format), [this, format] {
        if (!OpenDataListener())
            return false;
        std::string ip;
        int dataPort = 0;
        net::LocalAddress(pasvListener, ip, dataPort);
        std::string text = format;
        if (auto at = text.find("{port}"); at != std::string::npos)
            text.replace(at, 6, std::to_string(dataPort));
        return SendAll(control, text, false, "EPSV reply");
    });
}

ScriptedServer& ScriptedServer::AcceptData() {
    return Add("AcceptData", [this] {
        if (pasvListener == net::InvalidSocket) {
            Fail("no data listener (ReplyPasv first)");
            return false;
        }
        CloseSocketVar(data);
        data = AcceptOn(pasvListener, "data connection");
        CloseSocketVar(pasvListener);
        if (data == net::InvalidSocket)
            return false;
        std::string ip;
        int peerPort = 0;
        net::PeerAddress(data, ip, peerPort);
        std::lock_guard lock(mutex);
        dataPeer = ip;
        return true;
    });
}

ScriptedServer& ScriptedServer::ConnectData(std::string fromIp) {
    return Add("ConnectData" + (fromIp.empty() ? std::string() : " from " + fromIp),
               [this, fromIp] {
                   std::string ip;
                   int dataPort = 0;
                   if (!FindLastPort(ip, dataPort)) {
                       Fail("no valid PORT command received to connect to");
                       return false;
                   }
                   CloseSocketVar(data);
                   int error = 0;
                   data = net::CreateTcpSocket(error, net::FamilyOf(ip));
                   if (data != net::InvalidSocket && !fromIp.empty())
                       error = net::BindSocket(data, fromIp, 0);
                   if (data != net::InvalidSocket && error == 0)
                       error = net::ConnectSocket(data, ip, dataPort, stopping);
                   if (data == net::InvalidSocket || error != 0) {
                       Fail("cannot connect to " + ip + ":" + std::to_string(dataPort) +
                            ": error " + std::to_string(error));
                       CloseSocketVar(data);
                       return false;
                   }
                   std::lock_guard lock(mutex);
                   dataPeer = ip;
                   return true;
               });
}

ScriptedServer& ScriptedServer::SendData(std::string bytes) {
    return Add("SendData (" + std::to_string(bytes.size()) + " bytes)",
               [this, bytes] { return SendAll(data, bytes, false, "data"); });
}

ScriptedServer& ScriptedServer::SendDataInPieces(std::string bytes,
                                                 std::vector<std::size_t> pieceSizes, int pauseMs) {
    return Add("SendDataInPieces (" + std::to_string(bytes.size()) + " bytes)",
               [this, bytes, pieceSizes, pauseMs] {
                   return SendPieces(data, bytes, pieceSizes, pauseMs, "data");
               });
}

ScriptedServer& ScriptedServer::SendDataUntilClosed(std::string bytes) {
    return Add("SendDataUntilClosed (" + std::to_string(bytes.size()) + " bytes)",
               [this, bytes] { return SendAll(data, bytes, true, "data"); });
}

ScriptedServer& ScriptedServer::ReceiveDataToEnd() {
    return Add("ReceiveDataToEnd", [this] {
        if (data == net::InvalidSocket) {
            Fail("no data connection");
            return false;
        }
        std::string received;
        std::vector<char> buffer(64 * 1024);
        auto until = Clock::now() + std::chrono::milliseconds(stepTimeoutMs);
        for (;;) {
            if (Stopping())
                return false;
            if (Clock::now() >= until) {
                Fail("the data connection stayed open and silent for " +
                     std::to_string(stepTimeoutMs) + " ms after " +
                     std::to_string(received.size()) + " bytes");
                return false;
            }
            int error = 0;
            int ready = WaitIncoming(data, SliceMs, error);
            if (ready < 0) {
                Fail("waiting on the data connection failed: error " + std::to_string(error));
                return false;
            }
            if (ready == 0)
                continue;
            int n = Receive(data, buffer.data(), static_cast<int>(buffer.size()), error);
            if (n < 0) {
                Fail("receiving data failed: error " + std::to_string(error) + " after " +
                     std::to_string(received.size()) + " bytes");
                return false;
            }
            if (n == 0)
                break;
            received.append(buffer.data(), static_cast<std::size_t>(n));
            until = Clock::now() + std::chrono::milliseconds(stepTimeoutMs);
        }
        CloseSocketVar(data);
        std::lock_guard lock(mutex);
        dataParts.push_back(std::move(received));
        return true;
    });
}

ScriptedServer& ScriptedServer::ExpectDataClosed() {
    return Add("ExpectDataClosed", [this] {
        bool closed = WaitForClose(data, stepTimeoutMs, false, "data connection");
        CloseSocketVar(data);
        return closed;
    });
}

ScriptedServer& ScriptedServer::CloseData() {
    return Add("CloseData", [this] {
        CloseSocketVar(data);
        return true;
    });
}

ScriptedServer& ScriptedServer::LayerData(ServerLayerMaker make) {
    return Add("LayerData",
               [this, make] { return PutLayer(data, dataLayer, make, "data connection"); });
}

// ---- Running.

void ScriptedServer::Start() {
    if (started.exchange(true))
        return;
    worker = std::thread([this] { Run(); });
    watchdog = std::thread([this] { Watch(); });
}

void ScriptedServer::Run() {
    currentStep = steps.size(); // no step yet
    control = AcceptOn(listener, "control connection");
    bool completed = control != net::InvalidSocket;
    // A step that cannot go on has recorded why; the rest of the script is not run.
    for (currentStep = 0; completed && currentStep < steps.size(); ++currentStep)
        completed = !Stopping() && steps[currentStep].run();
    if (!completed) {
        // Let the client see the end at once instead of waiting for its own time-out.
        CloseSocketVar(data);
        CloseSocketVar(control);
    }
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    changed.notify_all();

    // After the script every further line is unexpected; wait for the client to leave.
    currentStep = steps.size();
    std::string line;
    while (control != net::InvalidSocket && !Stopping()) {
        ReadResult result = ReadLine(line, idleLimitMs);
        if (result != ReadResult::Line)
            break;
        Fail("unexpected line after the end of the script: " + Quote(line));
    }
    CloseSocketVar(data);
    CloseSocketVar(pasvListener);
    CloseSocketVar(control);
    {
        std::lock_guard lock(mutex);
        workerDone = true;
    }
    changed.notify_all();
}

void ScriptedServer::Watch() {
    std::unique_lock lock(mutex);
    while (!workerDone) {
        changed.wait_for(lock, std::chrono::milliseconds(SliceMs));
        if (sendingOn == net::InvalidSocket || sendCutOff)
            continue;
        bool tooLong = Clock::now() - sendingSince > std::chrono::milliseconds(stepTimeoutMs);
        if (stopping || tooLong) {
            // Sends go out in pieces the socket has room for, so this is a last resort: a
            // shutdown wakes a blocked send on Linux (not under Wine).
            net::ShutdownSend(sendingOn);
            sendCutOff = true;
        }
    }
}

bool ScriptedServer::WaitForMark(const std::string& name, int timeoutMs) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return std::find(marksReached.begin(), marksReached.end(), name) != marksReached.end() ||
               finished;
    }) && std::find(marksReached.begin(), marksReached.end(), name) != marksReached.end();
}

bool ScriptedServer::WaitUntilFinished(int timeoutMs) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return finished; });
}

bool ScriptedServer::WaitUntilDone(int timeoutMs) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return workerDone; });
}

std::vector<std::string> ScriptedServer::ReceivedCommands() const {
    std::lock_guard lock(mutex);
    return commands;
}

std::string ScriptedServer::ReceivedData() const {
    std::lock_guard lock(mutex);
    std::string all;
    for (const auto& part : dataParts)
        all += part;
    return all;
}

std::vector<std::string> ScriptedServer::ReceivedDataParts() const {
    std::lock_guard lock(mutex);
    return dataParts;
}

std::string ScriptedServer::DataPeerIp() const {
    std::lock_guard lock(mutex);
    return dataPeer;
}

std::vector<std::string> ScriptedServer::Failures() const {
    std::lock_guard lock(mutex);
    return failures;
}

// ---- Helpers (worker thread).

void ScriptedServer::Fail(const std::string& text) {
    std::string where = currentStep < steps.size()
                            ? "step " + std::to_string(currentStep + 1) + " (" +
                                  steps[currentStep].description + "): "
                            : std::string();
    std::lock_guard lock(mutex);
    failures.push_back(where + text);
}

net::SocketHandle ScriptedServer::AcceptOn(net::SocketHandle on, const char* what) {
    auto until = Clock::now() + std::chrono::milliseconds(stepTimeoutMs);
    while (!Stopping()) {
        if (Clock::now() >= until) {
            Fail(std::string("no ") + what + " within " + std::to_string(stepTimeoutMs) + " ms");
            return net::InvalidSocket;
        }
        int error = 0;
        int ready = net::WaitReadable(on, SliceMs, error);
        if (ready < 0) {
            Fail(std::string("waiting for a ") + what + " failed: error " + std::to_string(error));
            return net::InvalidSocket;
        }
        if (ready == 0)
            continue;
        net::SocketHandle accepted = net::AcceptSocket(on, error);
        if (accepted == net::InvalidSocket) {
            Fail(std::string("accepting a ") + what + " failed: error " + std::to_string(error));
            return net::InvalidSocket;
        }
        return accepted;
    }
    return net::InvalidSocket;
}

ScriptedServer::ReadResult ScriptedServer::ReadLine(std::string& line, int timeoutMs) {
    auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (auto lf = controlInput.find('\n'); lf != std::string::npos) {
            line = controlInput.substr(0, lf);
            controlInput.erase(0, lf + 1);
            {
                std::lock_guard lock(mutex);
                commands.push_back(
                    line.empty() || line.back() != '\r' ? line : line.substr(0, line.size() - 1));
            }
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            else
                Fail("line not ended by CR LF: " + Quote(line));
            return ReadResult::Line;
        }
        if (controlInput.size() > MaxLineBytes) {
            Fail("a line of more than " + std::to_string(MaxLineBytes) + " bytes");
            return ReadResult::Error;
        }
        if (control == net::InvalidSocket)
            return ReadResult::Closed;
        if (Stopping())
            return ReadResult::Stopped;
        if (Clock::now() >= until)
            return ReadResult::TimedOut;
        int error = 0;
        int ready = WaitIncoming(control, SliceMs, error);
        if (ready < 0) {
            Fail("waiting on the control connection failed: error " + std::to_string(error));
            return ReadResult::Error;
        }
        if (ready == 0)
            continue;
        char buffer[4096];
        int n = Receive(control, buffer, sizeof buffer, error);
        if (n <= 0) {
            if (!controlInput.empty()) {
                Fail("the client closed after a partial line " + Quote(controlInput));
                std::lock_guard lock(mutex);
                commands.push_back(controlInput);
                controlInput.clear();
            }
            if (n < 0 && !PeerClosedError(error)) {
                Fail("receiving on the control connection failed: error " + std::to_string(error));
                return ReadResult::Error;
            }
            CloseSocketVar(control);
            return ReadResult::Closed;
        }
        controlInput.append(buffer, static_cast<std::size_t>(n));
    }
}

bool ScriptedServer::ExpectLine(const std::function<bool(const std::string&)>& matches,
                                const std::string& wanted) {
    std::string line;
    switch (ReadLine(line, stepTimeoutMs)) {
    case ReadResult::Line:
        if (!matches(line))
            Fail("expected " + wanted + ", received " + Quote(line));
        return true;
    case ReadResult::Closed:
        Fail("expected " + wanted + ", but the client closed the connection");
        return false;
    case ReadResult::TimedOut:
        Fail("expected " + wanted + ", nothing came within " + std::to_string(stepTimeoutMs) +
             " ms");
        return false;
    case ReadResult::Stopped:
    case ReadResult::Error:
        break;
    }
    return false;
}

bool ScriptedServer::SendAll(net::SocketHandle socket, const std::string& bytes, bool peerMayClose,
                             const char* what) {
    if (socket == net::InvalidSocket) {
        Fail(std::string("no connection to send the ") + what + " on");
        return false;
    }
    std::size_t at = 0;
    auto until = Clock::now() + std::chrono::milliseconds(stepTimeoutMs);
    while (at < bytes.size()) {
        if (Stopping())
            return false;
        // Wait for room first, so that the send below does not block on a client that
        // stopped reading.
        int error = 0;
        int ready = WaitWritable(socket, SliceMs, error);
        if (ready == 0) {
            if (Clock::now() < until)
                continue;
            Fail(std::string("the client read no ") + what + " for " +
                 std::to_string(stepTimeoutMs) + " ms (" + std::to_string(at) + " of " +
                 std::to_string(bytes.size()) + " bytes sent)");
            return false;
        }
        int count =
            static_cast<int>(std::min(bytes.size() - at, at == 0 ? FirstChunk : LaterChunk));
        {
            std::lock_guard lock(mutex);
            sendingOn = socket;
            sendingSince = Clock::now();
        }
        int n = ready < 0 ? -1 : Transmit(socket, bytes.data() + at, count, error);
        bool cutOff = false;
        {
            std::lock_guard lock(mutex);
            sendingOn = net::InvalidSocket;
            cutOff = std::exchange(sendCutOff, false);
        }
        if (n <= 0 || cutOff) {
            if (Stopping())
                return false;
            if (cutOff) {
                Fail(std::string("the client read no ") + what + " for " +
                     std::to_string(stepTimeoutMs) + " ms (" + std::to_string(at) + " of " +
                     std::to_string(bytes.size()) + " bytes sent)");
                return false;
            }
            if (peerMayClose && PeerClosedError(error))
                return true;
            Fail(std::string("sending the ") + what + " failed: error " + std::to_string(error) +
                 " after " + std::to_string(at) + " bytes");
            return false;
        }
        at += static_cast<std::size_t>(n);
        until = Clock::now() + std::chrono::milliseconds(stepTimeoutMs);
    }
    return true;
}

bool ScriptedServer::SendPieces(net::SocketHandle socket, const std::string& bytes,
                                const std::vector<std::size_t>& pieceSizes, int pauseMs,
                                const char* what) {
    auto pieces = CutInPieces(bytes, pieceSizes);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0 && !PauseFor(pauseMs))
            return false;
        if (!SendAll(socket, pieces[i], false, what))
            return false;
    }
    return true;
}

bool ScriptedServer::PauseFor(int milliseconds) {
    auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!Stopping()) {
        auto left = until - Clock::now();
        if (left <= Clock::duration::zero())
            return true;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(left, std::chrono::milliseconds(SliceMs)));
    }
    return false;
}

bool ScriptedServer::WaitForClose(net::SocketHandle socket, int limitMs, bool dataAllowed,
                                  const char* what) {
    if (socket == net::InvalidSocket) {
        Fail(std::string("no ") + what + " to watch");
        return false;
    }
    auto until = Clock::now() + std::chrono::milliseconds(limitMs);
    std::size_t unexpected = 0;
    while (!Stopping()) {
        if (Clock::now() >= until) {
            Fail(std::string("the client kept the ") + what + " open for " +
                 std::to_string(limitMs) + " ms");
            return false;
        }
        int error = 0;
        int ready = WaitIncoming(socket, SliceMs, error);
        if (ready < 0)
            return false;
        if (ready == 0)
            continue;
        char buffer[4096];
        int n = Receive(socket, buffer, sizeof buffer, error);
        if (n > 0) {
            unexpected += static_cast<std::size_t>(n);
            if (socket == control)
                controlInput.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && !PeerClosedError(error)) {
            Fail(std::string("receiving on the ") + what + " failed: error " +
                 std::to_string(error));
            return false;
        }
        break;
    }
    if (unexpected > 0 && !dataAllowed) {
        std::string seen = socket == control ? ": " + Quote(controlInput) : std::string();
        Fail(std::string("the client sent ") + std::to_string(unexpected) + " bytes on the " +
             what + " before closing it" + seen);
    }
    return !Stopping();
}

void ScriptedServer::CloseSocketVar(net::SocketHandle& socket) {
    if (socket == net::InvalidSocket)
        return;
    if (socket == control) {
        // Read what the client already sent: closing over unread bytes resets the connection
        // (RST) instead of closing it, and the client would see an error, not an end.
        int error = 0;
        char buffer[4096];
        while (WaitIncoming(socket, 0, error) == 1) {
            int n = Receive(socket, buffer, sizeof buffer, error);
            if (n <= 0)
                break;
            controlInput.append(buffer, static_cast<std::size_t>(n));
        }
        std::lock_guard lock(mutex);
        for (auto lf = controlInput.find('\n'); lf != std::string::npos;
             lf = controlInput.find('\n')) {
            std::string line = controlInput.substr(0, lf);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            commands.push_back(line);
            controlInput.erase(0, lf + 1);
        }
    }
    if (ServerLayer* layer = LayerOf(socket); layer != nullptr) {
        layer->Close();
        (socket == control ? controlLayer : dataLayer).reset();
    }
    net::ShutdownSend(socket);
    net::CloseSocket(socket);
    socket = net::InvalidSocket;
}

bool ScriptedServer::PutLayer(net::SocketHandle socket, std::unique_ptr<ServerLayer>& layer,
                              const ServerLayerMaker& make, const char* what) {
    if (socket == net::InvalidSocket) {
        Fail(std::string("no ") + what + " to put a layer on");
        return false;
    }
    std::string error;
    layer = make(socket, stepTimeoutMs, error);
    if (layer == nullptr)
        Fail(std::string("the layer on the ") + what + " failed: " + error);
    return layer != nullptr;
}

ServerLayer* ScriptedServer::LayerOf(net::SocketHandle socket) const {
    if (socket == net::InvalidSocket)
        return nullptr;
    if (socket == control)
        return controlLayer.get();
    return socket == data ? dataLayer.get() : nullptr;
}

int ScriptedServer::WaitIncoming(net::SocketHandle socket, int timeoutMs, int& error) {
    ServerLayer* layer = LayerOf(socket);
    if (layer != nullptr && layer->Pending() > 0)
        return 1;
    return net::WaitReadable(socket, timeoutMs, error);
}

int ScriptedServer::Receive(net::SocketHandle socket, void* bytes, int count, int& error) {
    ServerLayer* layer = LayerOf(socket);
    return layer != nullptr ? layer->Receive(bytes, count, error)
                            : net::ReceiveSocket(socket, bytes, count, error);
}

int ScriptedServer::Transmit(net::SocketHandle socket, const void* bytes, int count, int& error) {
    ServerLayer* layer = LayerOf(socket);
    return layer != nullptr ? layer->Send(bytes, count, error)
                            : net::SendSocket(socket, bytes, count, error);
}

// PORT h1,h2,h3,h4,p1,p2 (RFC 959) or EPRT |af|address|port| (RFC 2428), whichever came last.
bool ScriptedServer::FindLastPort(std::string& ip, int& dataPort) {
    std::vector<std::string> seen = ReceivedCommands();
    for (auto it = seen.rbegin(); it != seen.rend(); ++it) {
        if (it->rfind("EPRT ", 0) == 0) {
            const std::string argument = it->substr(5);
            if (argument.size() < 7)
                return false;
            const char d = argument[0];
            const size_t family = argument.find(d, 1);
            const size_t address = argument.find(d, family + 1);
            const size_t end = argument.find(d, address + 1);
            if (family == std::string::npos || address == std::string::npos ||
                end != argument.size() - 1)
                return false;
            ip = argument.substr(family + 1, address - family - 1);
            dataPort = std::atoi(argument.substr(address + 1, end - address - 1).c_str());
            return dataPort > 0 && dataPort < 65536;
        }
        if (it->rfind("PORT ", 0) != 0)
            continue;
        unsigned h1, h2, h3, h4, p1, p2;
        char tail;
        if (std::sscanf(it->c_str() + 5, "%u,%u,%u,%u,%u,%u%c", &h1, &h2, &h3, &h4, &p1, &p2,
                        &tail) != 6 ||
            h1 > 255 || h2 > 255 || h3 > 255 || h4 > 255 || p1 > 255 || p2 > 255)
            return false;
        ip = std::to_string(h1) + "." + std::to_string(h2) + "." + std::to_string(h3) + "." +
             std::to_string(h4);
        dataPort = static_cast<int>(p1 * 256 + p2);
        return true;
    }
    return false;
}

} // namespace tavo::testing
