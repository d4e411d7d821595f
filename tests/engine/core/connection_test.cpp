// The connection under stress: silence, closes, refused and hanging connects, the trace
// hook's blocks, and handlers that run inside a waiting command through the message pump.

#include "tests/engine/core/session_fixture.h"

#include "engine/core/errors.h"
#include "engine/core/id_antifreeze.h"
#include "engine/core/id_intercept.h"
#include "engine/core/id_stream.h"
#include "engine/core/id_tcp_client.h"
#include "engine/platform/message_pump.h"
#include "tests/support/page_side.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

using tavo::engine::ScriptedSessionTest;
using namespace tavo::engine;
using Clock = std::chrono::steady_clock;

namespace {

// Installs a pump callback for one test and removes it afterwards.
class PumpHook {
public:
    explicit PumpHook(tavo::platform::PumpCallback callback) {
        tavo::platform::SetPumpCallback(std::move(callback));
    }
    ~PumpHook() { tavo::platform::SetPumpCallback({}); }
};

} // namespace

TEST_F(ScriptedSessionTest, SilentServerTimesOutWithPumpSlicesShortestFirst) {
    server.Send("220 hi\r\n").Silence();
    server.Start();
    TIdAntiFreeze pump;
    pump.IdleTimeOut = 160;
    pump.OnlyWhenIdle = false;
    std::vector<Clock::time_point> pumped;
    PumpHook hook([&](bool) { pumped.push_back(Clock::now()); });
    ftp.ReadTimeout = 1200; // the control's 12000/1600, scaled down: 80 ms, then 7 x 160 ms
    ftp.OpenSession(false);
    pumped.clear();
    const auto started = Clock::now();
    EXPECT_THROW(ftp.IssueCommand("NOOP", {200}), EIdReadTimeout);
    const auto elapsed = Clock::now() - started;
    EXPECT_GE(elapsed, std::chrono::milliseconds(1150));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3000));
    // One pump after the send, then one per slice.
    ASSERT_EQ(pumped.size(), 9u);
    const auto firstSlice = pumped[1] - pumped[0];
    EXPECT_LT(firstSlice, std::chrono::milliseconds(140));
    EXPECT_GE(pumped[2] - pumped[1], std::chrono::milliseconds(150));
    // A reply that came later would answer the next command: the session is dropped.
    EXPECT_FALSE(ftp.IsConnected());
}

// Each byte comes well within ReadTimeout, the whole reply does not come within the reply
// limit (three times ReadTimeout unless set): the session is dropped, since what is left of
// the reply would answer the next command.
TEST(ReplyTimeout, TricklingServerCannotStretchAReply) {
    for (const int replyTimeout : {-1, 400}) {
        tavo::testing::ScriptedServer server;
        server.Trickle("220 " + std::string(200, 'x') + "\r\n", 20);
        server.Start();
        TIdFTP ftp;
        ftp.Host = server.Host();
        ftp.Port = server.Port();
        ftp.ReadTimeout = 500;
        ftp.ReplyTimeout = replyTimeout;
        std::vector<std::string> statuses;
        ftp.OnStatus = [&](TIdComponent&, TIdStatus, const std::string& text) {
            statuses.push_back(text);
        };
        const auto started = Clock::now();
        EXPECT_THROW(ftp.OpenSession(false), EIdReplyTimeout);
        const auto elapsed = Clock::now() - started;
        const auto limit = std::chrono::milliseconds(replyTimeout == -1 ? 1500 : 400);
        EXPECT_GE(elapsed, limit - std::chrono::milliseconds(50)) << replyTimeout;
        EXPECT_LT(elapsed, limit + std::chrono::milliseconds(1500)) << replyTimeout;
        EXPECT_FALSE(ftp.IsConnected());
        EXPECT_EQ(statuses.back(), "Disconnected.");
    }
}

// Nor can a server that streams the lines of one reply without end: once the time is up,
// only what a handler's delay explains is still read, not megabytes more.
TEST(ReplyTimeout, StreamingServerCannotStretchAReplyPastItsTime) {
    std::string lines = "200-start\r\n";
    while (lines.size() < (8u << 20))
        lines += " " + std::string(62, 'x') + "\r\n";
    tavo::testing::ScriptedServer server;
    server.Send("220 hi\r\n").Expect("NOOP").Send(lines + "200 end\r\n");
    server.Start();
    TIdFTP ftp;
    ftp.Host = server.Host();
    ftp.Port = server.Port();
    ftp.ReplyTimeout = 300;
    ftp.OpenSession(false);
    TIdAntiFreeze pump;
    pump.IdleTimeOut = 20;
    pump.OnlyWhenIdle = false;
    int calls = 0;
    PumpHook hook([&](bool) {
        if (++calls == 2) // the first pump follows the send, the second waits for the reply
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
    });
    EXPECT_THROW(ftp.IssueCommand("NOOP", {200}), EIdReplyTimeout);
    EXPECT_FALSE(ftp.IsConnected());
}

// Time the pump spent in a handler (a message box left open) does not fail a reply that
// arrived meanwhile.
TEST_F(ScriptedSessionTest, ReplyThatArrivedWhileAHandlerRanIsStillRead) {
    server.Send("220 hi\r\n").Expect("NOOP").Pause(50).Send("200 ok\r\n").ExpectClosed();
    server.Start();
    ftp.ReplyTimeout = 300;
    ftp.RecvBufferSize = 4; // the reply needs several reads, the later ones past the limit
    ftp.OpenSession(false);
    TIdAntiFreeze pump;
    pump.IdleTimeOut = 20;
    pump.OnlyWhenIdle = false;
    int calls = 0;
    PumpHook hook([&](bool) {
        if (++calls == 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
    });
    EXPECT_EQ(ftp.IssueCommand("NOOP", {200}), 200);
    EXPECT_GE(calls, 2);
    ftp.DropSocket();
}

TEST_F(ScriptedSessionTest, ServerClosingMidReplyDisconnectsOnce) {
    server.Send("220 hi\r\n").ExpectAny().Send("230-partial\r\n").CloseControl();
    server.Start();
    int disconnected = 0;
    ftp.OnStatus = [&](TIdComponent&, TIdStatus status, const std::string&) {
        disconnected += status == hsDisconnected;
    };
    ftp.OpenSession(false);
    EXPECT_THROW(ftp.IssueCommand("NOOP", {200}), EIdConnClosedGracefully);
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(disconnected, 1);
    EXPECT_THROW(ftp.IssueCommand("NOOP", {200}), EIdConnClosedGracefully);
}

TEST_F(ScriptedSessionTest, OverlongReplyLineRaisesAndLeavesTheRestBuffered) {
    server.Send("220 " + std::string(20000, 'x') + "\r\n").Send("200 after\r\n").ExpectClosed();
    server.Start();
    EXPECT_THROW(ftp.OpenSession(false), EIdReadLnMaxLineLengthExceeded);
    EXPECT_FALSE(ftp.IsConnected()); // a failed OpenSession closes
}

TEST_F(ScriptedSessionTest, RepliesSplitAcrossPacketsAndTrickled) {
    server.SendInPieces("220-Welcome\r\n to the\r\n220 server\r\n", {3, 5, 1})
        .Expect("NOOP")
        .Trickle("200 NOOP ok.\n")
        .ExpectClosed();
    server.Start();
    ftp.OpenSession(false);
    EXPECT_EQ(ftp.GreetingReply.Text, (std::vector<std::string>{"Welcome", "he", "server"}));
    EXPECT_EQ(ftp.IssueCommand("NOOP", {200}), 200);
    ftp.DropSocket();
}

TEST_F(ScriptedSessionTest, TraceHookSeesOneBlockPerCommandAndBlocksAsTheyArrive) {
    server.Send("220 hi\r\n")
        .Expect("USER anonymous")
        .SendInPieces("331 Please specify\r\n", {6})
        .Expect("PASS secret")
        .Send("230 ok\r\n")
        .ExpectClosed();
    server.Start();
    TIdLogEvent log;
    log.Active = true;
    log.LogTime = false;
    log.ReplaceCRLF = false;
    std::vector<std::string> sent, received, status;
    log.OnSent = [&](TIdLogEvent&, const std::string&, const std::string& d) { sent.push_back(d); };
    log.OnReceived = [&](TIdLogEvent&, const std::string&, const std::string& d) {
        received.push_back(d);
    };
    log.OnStatus = [&](TIdLogEvent&, const std::string& text) { status.push_back(text); };
    ftp.Intercept = &log;
    ftp.OpenSession(false);
    ftp.SendCredentials();
    EXPECT_EQ(sent, (std::vector<std::string>{"USER anonymous\r\n", "PASS secret\r\n"}));
    EXPECT_GE(received.size(), 4u); // the 331 reply arrived in pieces of 6 bytes
    std::string joined;
    for (const std::string& block : received)
        joined += block;
    EXPECT_EQ(joined, "220 hi\r\n331 Please specify\r\n230 ok\r\n");
    ftp.DropSocket();
    EXPECT_EQ(status, (std::vector<std::string>{"Connected.", "Disconnected."}));
    ftp.Intercept = nullptr;
}

TEST_F(ScriptedSessionTest, UserDisconnectsFromInsideAWaitingCommand) {
    LoginScript().Expect("CWD slow").Pause(1500).Send("250 late\r\n").Expect("QUIT");
    server.Start();
    TIdAntiFreeze pump;
    pump.IdleTimeOut = 50;
    pump.OnlyWhenIdle = false;
    ftp.OpenSession();
    bool clicked = false;
    // The user's click arrives while CWD waits: it closes the session under the command,
    // which then finds no connection to read its reply from.
    PumpHook hook([&](bool) {
        if (!clicked && ftp.IsConnected() && ftp.InputBuffer().Empty()) {
            clicked = true;
            ftp.CloseSession();
        }
    });
    EXPECT_THROW(ftp.ChangeDirectory("slow"), EIdNotConnected);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(ftp.IsConnected());
}

// A data connection asks for its buffer size until a receive fills it, and only then for the
// large call: a listing of a few lines never takes the large block. Seen through the trace
// hook, which gets every block as one receive brought it.
TEST(Receiving, LargeReceivesOnlyOnceOneFillsTheBufferSize) {
    std::string bytes(100 + (64 << 10), '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    tavo::testing::ScriptedServer server;
    server.SendInPieces(bytes, {100, 64 << 10}, 50).CloseControl();
    server.Start();
    TIdConnectionIntercept hook;
    std::vector<size_t> blocks;
    hook.OnReceive = [&](TIdConnectionIntercept&, std::string& block) {
        blocks.push_back(block.size());
    };
    TIdTCPClient client;
    client.Host = server.Host();
    client.Port = server.Port();
    client.RecvBufferSize = 2048;
    client.RecvCallSize = 32768;
    client.Intercept = &hook;
    client.OpenConnection();
    TIdMemoryStream stream;
    client.ReceiveToStream(stream);
    client.Intercept = nullptr;
    EXPECT_EQ(stream.Bytes(), bytes);
    ASSERT_GE(blocks.size(), 3u);
    EXPECT_EQ(blocks[0], 100u);
    EXPECT_EQ(blocks[1], 2048u) << "the second receive asks for the buffer size";
    EXPECT_GT(*std::max_element(blocks.begin(), blocks.end()), 2048u);
    EXPECT_LE(*std::max_element(blocks.begin(), blocks.end()), 32768u);
}

TEST(Connecting, RefusedConnectsRaiseTheSocketError) {
    TIdTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = tavo::testing::UnusedLoopbackPort();
    try {
        client.OpenConnection();
        FAIL();
    } catch (const EIdSocketError& error) {
        EXPECT_EQ(error.LastError, 10061);
    }
    // With a pump the connect runs on a helper thread and its text is passed on.
    TIdAntiFreeze pump;
    try {
        client.OpenConnection();
        FAIL();
    } catch (const EIdConnectException& error) {
        EXPECT_STREQ(error.what(), "Socket Error # 10061\r\nConnection refused.");
    }
    EXPECT_FALSE(client.IsConnected());
}

TEST(Connecting, LocalhostIsResolvedWithoutALookup) {
    tavo::testing::ScriptedServer server;
    server.Send("220 hi\r\n").ExpectClosed();
    server.Start();
    TIdTCPClient client;
    std::vector<std::string> statuses;
    client.OnStatus = [&](TIdComponent&, TIdStatus, const std::string& text) {
        statuses.push_back(text);
    };
    client.Host = "LOCALHOST";
    client.Port = server.Port();
    client.OpenConnection();
    EXPECT_EQ(statuses, (std::vector<std::string>{"Resolving hostname LOCALHOST.",
                                                  "Connecting to 127.0.0.1.", "Connected."}));
    EXPECT_EQ(client.Socket()->PeerIP, "127.0.0.1");
    client.DropSocket();
}

TEST(Connecting, UnresolvableNameRaisesASocketError) {
    TIdTCPClient client;
    client.Host = "no-such-host.invalid";
    client.Port = 21;
    EXPECT_THROW(client.OpenConnection(), EIdSocketError);
    EXPECT_FALSE(client.IsConnected());
}

TEST(Connecting, ConnectThatHangsTimesOut) {
    // A listener whose backlog is full drops further SYNs, so a connect hangs (on loopback,
    // the only way to get a hanging connect without another host).
    TIdTCPClient socketLayer; // keeps the socket library started for the raw calls below
    int error = 0;
    auto listener = tavo::platform::CreateTcpSocket(error);
    ASSERT_EQ(tavo::platform::BindSocket(listener, "127.0.0.1", 0), 0);
    ASSERT_EQ(tavo::platform::ListenSocket(listener, 0), 0);
    std::string ip;
    int port = 0;
    tavo::platform::LocalAddress(listener, ip, port);
    std::vector<std::unique_ptr<TIdTCPClient>> fillers;
    bool timedOut = false;
    for (int i = 0; i < 6 && !timedOut; ++i) {
        auto client = std::make_unique<TIdTCPClient>();
        client->Host = "127.0.0.1";
        client->Port = port;
        const auto started = Clock::now();
        try {
            client->OpenConnection(400);
            fillers.push_back(std::move(client));
        } catch (const EIdConnectTimeout& timeout) {
            timedOut = true;
            EXPECT_STREQ(timeout.what(), "Connect timed out.");
            EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(2000));
            EXPECT_FALSE(client->IsConnected());
        }
    }
    tavo::platform::CloseSocket(listener);
    EXPECT_TRUE(timedOut);
}

TEST(MessagePump, APumpThatGoesHandsOverToTheOneBeforeIt) {
    // Two controls on one page, each with its pump: closing the second must not leave the
    // first one's waits without a pump.
    auto first = std::make_unique<TIdAntiFreeze>();
    {
        TIdAntiFreeze second;
        EXPECT_EQ(TIdAntiFreeze::Current(), &second);
    }
    EXPECT_EQ(TIdAntiFreeze::Current(), first.get());
    EXPECT_TRUE(TIdAntiFreeze::PumpApplies());
    first.reset();
    EXPECT_EQ(TIdAntiFreeze::Current(), nullptr);
}

// A reply that cannot be read whole leaves the conversation out of step: an over-long line,
// its rest still unread, drops the session.
TEST_F(ScriptedSessionTest, UnreadableReplyDropsTheSession) {
    server.Send("220 hi\r\n")
        .Expect("NOOP")
        .Send(std::string(20000, 'x') + "\r\n200 after\r\n")
        .ExpectClosed();
    server.Start();
    ftp.OpenSession(false);
    EXPECT_THROW(ftp.IssueCommand("NOOP", {200}), EIdReadLnMaxLineLengthExceeded);
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(statuses.back(), "Disconnected.");
}
