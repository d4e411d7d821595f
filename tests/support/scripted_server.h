#pragma once
// An FTP server that follows a script, for what real servers will not do on demand: replies
// split across packets or trickled byte by byte, LF-only endings, blank lines, silence, a
// connection closed in the middle of a reply, hostile PASV addresses, a data connection from a
// foreign address.
//
//     ScriptedServer server;
//     server.Send("220 Hello\r\n").Expect("USER anonymous").Send("331 Password\r\n")
//           .Expect("PASS").Send("230 In\r\n");
//     server.Start();
//     ... client connects to server.Host():server.Port() ...
//     EXPECT_THAT(server.Failures(), IsEmpty());
//
// The script is fixed before Start(). The server accepts one client on 127.0.0.1 and runs the
// steps in order on a thread of its own. Every wait is bounded (StepTimeout per step; a send
// fails when the client reads nothing for that long), and after the last step the server keeps
// reading (any further line is a failure) until the client closes or IdleLimit passes. The
// destructor ends everything at once and joins the thread.

#include "engine/platform/sockets.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavo::testing {

// The shape of a PASV reply. "{address}" in Format becomes the six comma-separated numbers of
// AnnouncedIp and the data listener's port.
struct PasvReply {
    std::string Format = "227 Entering Passive Mode ({address}).\r\n";
    // What the reply claims; the listener is on 127.0.0.1 whatever this says.
    std::string AnnouncedIp = "127.0.0.1";

    static PasvReply Parenthesised() { return {}; }
    static PasvReply Bare() { return {"227 Entering Passive Mode {address}\r\n", "127.0.0.1"}; }
    static PasvReply Announcing(std::string ip) {
        return {"227 Entering Passive Mode ({address}).\r\n", std::move(ip)};
    }
};

// A layer over one of the server's connections (TLS, in the tests that speak it): once a step
// puts one on, that connection's later steps read and write through it.
class ServerLayer {
public:
    virtual ~ServerLayer() = default;
    // As ReceiveSocket and SendSocket on a blocking socket.
    virtual int Receive(void* data, int count, int& error) = 0;
    virtual int Send(const void* data, int count, int& error) = 0;
    // Bytes held that a Receive returns without waiting for the socket.
    virtual int Pending() const = 0;
    // The layer's own end (close_notify); the socket closes afterwards.
    virtual void Close() {}
};

// Puts a layer on a connected socket (a handshake within timeoutMs); null with `error` set.
using ServerLayerMaker = std::function<std::unique_ptr<ServerLayer>(
    platform::SocketHandle socket, int timeoutMs, std::string& error)>;

class ScriptedServer {
public:
    // Listens on 127.0.0.1 (or the given address, "::1" for IPv6) at a port chosen by the
    // system; data listeners use the same address.
    explicit ScriptedServer(std::string listenIp = "127.0.0.1");
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    const std::string& Host() const { return host; }
    int Port() const { return port; }

    // Settings (before Start). StepTimeout bounds each step's wait (default 10000 ms);
    // IdleLimit bounds Silence and the wait for the client to leave after the script.
    ScriptedServer& StepTimeout(int milliseconds);
    ScriptedServer& IdleLimit(int milliseconds);

    // ---- Control connection steps.
    // Raw bytes: a reply with its own line endings, several replies, a half line...
    ScriptedServer& Send(std::string bytes);
    // The bytes cut into pieces of the given sizes (the last size repeats), each sent on its
    // own with a pause between, so the client sees them in separate reads.
    ScriptedServer& SendInPieces(std::string bytes, std::vector<std::size_t> pieceSizes,
                                 int pauseMs = 30);
    // One byte at a time.
    ScriptedServer& Trickle(std::string bytes, int pauseMs = 2);
    // Reads one line from the client, which must end in CR LF; compares it without the CR LF.
    ScriptedServer& Expect(std::string line);
    ScriptedServer& ExpectPrefix(std::string prefix);
    ScriptedServer& ExpectAny();
    // The client closes the control connection without sending anything more.
    ScriptedServer& ExpectClosed();
    ScriptedServer& Pause(int milliseconds);
    // Says nothing more until the client closes the connection (or IdleLimit); ends the script.
    ScriptedServer& Silence();
    // Shuts the control connection (also in the middle of a reply: Send a half line first).
    ScriptedServer& CloseControl();
    // Accepts the client's next control connection (after CloseControl, or a reconnect).
    ScriptedServer& AcceptControl();
    // A named point that WaitForMark() can wait for.
    ScriptedServer& Mark(std::string name);
    // Puts a layer on the control connection (a TLS handshake after "234").
    ScriptedServer& LayerControl(ServerLayerMaker make);

    // ---- Data connection steps.
    // Passive mode: opens a data listener on 127.0.0.1 and sends the 227 reply naming it.
    ScriptedServer& ReplyPasv(PasvReply reply = {});
    // Passive mode, RFC 2428: opens a data listener and sends Format with "{port}" replaced.
    ScriptedServer&
    ReplyEpsv(std::string format = "229 Entering Extended Passive Mode (|||{port}|)\r\n");
    // Accepts the client's data connection on the listener of the last ReplyPasv or ReplyEpsv.
    ScriptedServer& AcceptData();
    // Active mode: connects to the address of the last PORT or EPRT command received, from
    // fromIp when given (127.0.0.2 plays a foreign host).
    ScriptedServer& ConnectData(std::string fromIp = "");
    ScriptedServer& SendData(std::string bytes);
    ScriptedServer& SendDataInPieces(std::string bytes, std::vector<std::size_t> pieceSizes,
                                     int pauseMs = 30);
    // Like SendData, but the client may close the connection part way (an aborted download):
    // that ends the step quietly.
    ScriptedServer& SendDataUntilClosed(std::string bytes);
    // Reads the data connection until the client closes it; the bytes go to ReceivedData().
    ScriptedServer& ReceiveDataToEnd();
    // The client closes the data connection without sending anything.
    ScriptedServer& ExpectDataClosed();
    ScriptedServer& CloseData();
    // Puts a layer on the data connection (PROT P).
    ScriptedServer& LayerData(ServerLayerMaker make);

    // Runs the script. Call once, after stating it.
    void Start();
    // Waits until the script reached the named Mark. False on timeout.
    bool WaitForMark(const std::string& name, int timeoutMs = 10000);
    // Waits until every step has run (or the script stopped on a failure). False on timeout.
    bool WaitUntilFinished(int timeoutMs = 10000);
    // Waits until the server is done with the client too: after the script it keeps reading
    // (any further line is a failure) until the client closes. Use after the client is gone
    // to be sure no stray command went unnoticed. False on timeout.
    bool WaitUntilDone(int timeoutMs = 10000);

    // Every line the client sent on the control connection, without CR LF, in order.
    std::vector<std::string> ReceivedCommands() const;
    // Everything received by ReceiveDataToEnd steps, and per data connection.
    std::string ReceivedData() const;
    std::vector<std::string> ReceivedDataParts() const;
    // The address the last data connection came from or went to (the peer's).
    std::string DataPeerIp() const;
    // What went wrong, each with its step; empty when the client did what the script said.
    std::vector<std::string> Failures() const;

private:
    enum class ReadResult { Line, Closed, TimedOut, Stopped, Error };
    struct Step {
        std::string description;
        // Returns false when the script cannot go on.
        std::function<bool()> run;
    };

    ScriptedServer& Add(std::string description, std::function<bool()> run);
    void Run();
    void Watch();
    void Fail(const std::string& text);
    bool Stopping() const { return stopping.load(); }
    platform::SocketHandle AcceptOn(platform::SocketHandle listener, const char* what);
    ReadResult ReadLine(std::string& line, int timeoutMs);
    bool ExpectLine(const std::function<bool(const std::string&)>& matches,
                    const std::string& wanted);
    bool SendAll(platform::SocketHandle socket, const std::string& bytes, bool peerMayClose,
                 const char* what);
    bool SendPieces(platform::SocketHandle socket, const std::string& bytes,
                    const std::vector<std::size_t>& pieceSizes, int pauseMs, const char* what);
    bool PauseFor(int milliseconds);
    bool WaitForClose(platform::SocketHandle socket, int limitMs, bool dataAllowed,
                      const char* what);
    void CloseSocketVar(platform::SocketHandle& socket);
    bool FindLastPort(std::string& ip, int& dataPort);
    bool PutLayer(platform::SocketHandle socket, std::unique_ptr<ServerLayer>& layer,
                  const ServerLayerMaker& make, const char* what);
    // The socket calls, through the connection's layer when it has one.
    ServerLayer* LayerOf(platform::SocketHandle socket) const;
    int WaitIncoming(platform::SocketHandle socket, int timeoutMs, int& error);
    int Receive(platform::SocketHandle socket, void* data, int count, int& error);
    int Transmit(platform::SocketHandle socket, const void* data, int count, int& error);
    bool OpenDataListener();

    std::string host;
    int port = 0;
    int stepTimeoutMs = 10000;
    int idleLimitMs = 30000;

    platform::SocketHandle listener = platform::InvalidSocket;
    platform::SocketHandle control = platform::InvalidSocket;
    platform::SocketHandle pasvListener = platform::InvalidSocket;
    platform::SocketHandle data = platform::InvalidSocket;
    std::unique_ptr<ServerLayer> controlLayer;
    std::unique_ptr<ServerLayer> dataLayer;
    std::string controlInput;

    std::vector<Step> steps;
    std::size_t currentStep = 0;
    std::thread worker;
    std::thread watchdog;
    std::atomic<bool> stopping{false};
    std::atomic<bool> started{false};

    mutable std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    bool workerDone = false;
    std::vector<std::string> marksReached;
    std::vector<std::string> commands;
    std::vector<std::string> dataParts;
    std::string dataPeer;
    std::vector<std::string> failures;
    // A send in progress, for the watchdog to cut off when it blocks too long.
    platform::SocketHandle sendingOn = platform::InvalidSocket;
    std::chrono::steady_clock::time_point sendingSince;
    bool sendCutOff = false;
};

} // namespace tavo::testing
