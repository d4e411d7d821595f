// Opening data connections: the PASV reply shapes, a hostile PASV address, the PORT command,
// who may connect to an active-mode listener, and how long the engine waits for the server.

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/errors.h"
#include "engine/ftp/id_simple_server.h"

#include <gmock/gmock.h>

#include <chrono>
#include <cstdio>
#include <tuple>

using namespace tavo::engine;
using namespace tavo::engine::transfers;
using tavo::testing::PasvReply;
using ::testing::ElementsAre;

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

class PasvShapes : public ScriptedTransferTest, public ::testing::WithParamInterface<PasvReply> {};

TEST_P(PasvShapes, ConnectsAndDownloads) {
    ScriptLogin(server)
        .Expect("PASV")
        .ReplyPasv(GetParam())
        .AcceptData()
        .Expect("RETR a.txt")
        .Send("150 Opening BINARY mode data connection.\r\n")
        .SendData("payload")
        .CloseData()
        .Send("226 Transfer complete.\r\n");
    Open(true);
    TIdMemoryStream stream;
    ftp.DownloadToStream("a.txt", stream, false);
    EXPECT_EQ(stream.Bytes(), "payload");
    EXPECT_EQ(ftp.PassiveReplyHost, "127.0.0.1");
    EXPECT_GT(ftp.PassiveReplyPort, 0);
}

INSTANTIATE_TEST_SUITE_P(Replies, PasvShapes,
                         ::testing::Values(PasvReply::Parenthesised(), PasvReply::Bare(),
                                           PasvReply{"227 =({address})\r\n", "127.0.0.1"}));

// A server may name any host in its 227 reply; following it would let the server aim our data
// connection at another machine of the user's network. The data goes to the control peer.
TEST_F(ScriptedTransferTest, HostilePasvAddressIsIgnoredButKept) {
    ScriptLogin(server)
        .Expect("PASV")
        .ReplyPasv(PasvReply::Announcing("127.0.0.2"))
        .AcceptData()
        .Expect("LIST")
        .Send("150 Here comes the directory listing.\r\n")
        .SendData("line\r\n")
        .CloseData()
        .Send("226 Directory send OK.\r\n");
    Open(true);
    int dataPeerPort = 0;
    std::string dataPeerIp;
    ftp.OnWorkBegin = [&](TIdComponent& sender, TWorkMode, int64_t) {
        auto* channel = dynamic_cast<TIdTCPConnection*>(&sender);
        ASSERT_NE(channel, nullptr);
        dataPeerIp = channel->Socket()->PeerIP;
        dataPeerPort = channel->Socket()->PeerPort;
    };
    Lines lines;
    ftp.FetchListing(&lines, "", true);
    EXPECT_EQ(lines, Lines{"line"});
    EXPECT_EQ(dataPeerIp, "127.0.0.1");
    EXPECT_EQ(ftp.PassiveReplyHost, "127.0.0.2");
    EXPECT_EQ(ftp.PassiveReplyPort, dataPeerPort);
}

// A reply the engine cannot read ends the transfer before any data command; the session
// stays usable.
TEST_F(ScriptedTransferTest, UnreadablePasvReplyFailsAndSessionGoesOn) {
    ScriptLogin(server)
        .Expect("PASV")
        .Send("227 Entering Passive Mode 127,0,0,1,19,137.\r\n")
        .Expect("PASV")
        .Send("502 PASV not implemented.\r\n")
        .Expect("CWD /")
        .Send("250 Directory successfully changed.\r\n");
    Open(true);
    TIdMemoryStream stream;
    try {
        ftp.DownloadToStream("a.txt", stream, false);
        FAIL() << "an unreadable 227 reply was accepted";
    } catch (const EIdProtocolReplyError&) {
        FAIL() << "expected a conversion error, not a reply error";
    } catch (const EIdException& error) {
        EXPECT_NE(std::string(error.what()).find("137."), std::string::npos) << error.what();
    }
    try {
        ftp.FetchListing(nullptr, "", true);
        FAIL() << "a refused PASV was accepted";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 502);
        EXPECT_STREQ(error.what(), "PASV not implemented.\r\n");
    }
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    EXPECT_EQ(log.Statuses(), (Lines{"Starting FTP transfer", "Transfer complete",
                                     "Starting FTP transfer", "Transfer complete"}));
    ftp.ChangeDirectory("/");
    EXPECT_EQ(Commands(), (Lines{"PASV", "PASV", "CWD /"}));
}

// PORT h1,h2,h3,h4,p1,p2 (RFC 959 section 4.1.2): the control connection's local address and
// the listener's port as high and low byte.
TEST_F(ScriptedTransferTest, PortCommandNamesTheListener) {
    ScriptLogin(server);
    ScriptDownload(server, false, "RETR a.txt", "0123456789");
    Open(false);
    int listenerPort = 0;
    std::string listenerIp;
    ftp.OnWorkBegin = [&](TIdComponent& sender, TWorkMode, int64_t) {
        auto* channel = dynamic_cast<TIdTCPConnection*>(&sender);
        ASSERT_NE(channel, nullptr);
        listenerIp = channel->Socket()->IP;
        listenerPort = channel->Socket()->Port;
    };
    TIdMemoryStream stream;
    ftp.DownloadToStream("a.txt", stream, false);
    EXPECT_EQ(stream.Bytes(), "0123456789");
    ASSERT_EQ(Commands().size(), 2u);
    const std::string port = Commands()[0];
    unsigned h1, h2, h3, h4, p1, p2;
    char tail;
    ASSERT_EQ(
        std::sscanf(port.c_str(), "PORT %u,%u,%u,%u,%u,%u%c", &h1, &h2, &h3, &h4, &p1, &p2, &tail),
        6)
        << port;
    EXPECT_EQ(port, "PORT 127,0,0,1," + std::to_string(p1) + "," + std::to_string(p2))
        << "no blanks, no leading zeros";
    EXPECT_EQ(listenerIp, "127.0.0.1");
    EXPECT_LT(p2, 256u);
    EXPECT_EQ(static_cast<int>(p1 * 256 + p2), listenerPort);
    EXPECT_EQ(Commands()[1], "RETR a.txt");
}

TEST_F(ScriptedTransferTest, RefusedPortFailsBeforeTheTransferCommand) {
    ScriptLogin(server)
        .ExpectPrefix("PORT ")
        .Send("500 Illegal PORT command.\r\n")
        .Expect("CWD /")
        .Send("250 ok\r\n");
    Open(false);
    TIdMemoryStream stream;
    try {
        ftp.DownloadToStream("a.txt", stream, false);
        FAIL();
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 500);
    }
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    ftp.ChangeDirectory("/");
}

// Only the server we talk to may deliver the data: a connection from another address is closed
// and the listener keeps waiting for the real one.
TEST_F(ScriptedTransferTest, ActiveListenerRefusesAForeignAddress) {
    ScriptLogin(server)
        .ExpectPrefix("PORT 127,0,0,1,")
        .Send("200 PORT command successful.\r\n")
        .Expect("RETR a.txt")
        .Send("150 Here comes the data.\r\n")
        .ConnectData("127.0.0.2")
        .SendData("forged data")
        .Pause(100)
        .ConnectData()
        .SendData("real data")
        .CloseData()
        .Send("226 Transfer complete.\r\n");
    Open(false);
    TIdMemoryStream stream;
    ftp.DownloadToStream("a.txt", stream, false);
    EXPECT_EQ(stream.Bytes(), "real data");
}

TEST_F(ScriptedTransferTest, ServerThatNeverConnectsHitsTheAcceptLimit) {
    ScriptLogin(server)
        .ExpectPrefix("PORT 127,0,0,1,")
        .Send("200 PORT command successful.\r\n")
        .Expect("RETR a.txt")
        .Send("150 Here comes the data.\r\n");
    Open(false);
    ftp.DataAcceptTimeout = 300;
    TIdMemoryStream stream;
    const auto started = Clock::now();
    EXPECT_THROW(ftp.DownloadToStream("a.txt", stream, false), EIdAcceptTimeout);
    const int elapsed = ElapsedMs(started);
    EXPECT_GE(elapsed, 300);
    EXPECT_LT(elapsed, 3000);
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    // RETR's final reply never came either: the session is dropped rather than left a reply
    // behind.
    EXPECT_EQ(log.Statuses(),
              (Lines{"Starting FTP transfer", "Transfer complete", "Disconnected."}));
    EXPECT_FALSE(ftp.IsConnected());
}

// The same limit while the host's messages run between the polls.
TEST_F(ScriptedTransferTest, AcceptLimitHoldsWhileThePumpRuns) {
    ScriptLogin(server)
        .ExpectPrefix("PORT 127,0,0,1,")
        .Send("200 PORT command successful.\r\n")
        .Expect("STOR up.bin")
        .Send("150 Ok to send data.\r\n");
    Open(false);
    ftp.DataAcceptTimeout = 300;
    int pumps = 0;
    PumpHook pump([&] { ++pumps; }, true);
    TIdMemoryStream stream("abc");
    const auto started = Clock::now();
    try {
        ftp.UploadFromStream(stream, "up.bin", false);
        FAIL();
    } catch (const EIdAcceptTimeout& error) {
        EXPECT_STREQ(error.what(), "Timed out waiting for the server's data connection.");
    }
    EXPECT_LT(ElapsedMs(started), 3000);
    EXPECT_GT(pumps, 10) << "the wait for the server's connection must keep the host alive";
}

TEST_F(ScriptedTransferTest, UnreachablePassivePortFailsAndSessionGoesOn) {
    // The listener of the 227 reply is closed before the client connects.
    ScriptLogin(server)
        .Expect("PASV")
        .Send("227 Entering Passive Mode (127,0,0,1,0,1).\r\n")
        .Expect("CWD /")
        .Send("250 ok\r\n");
    Open(true);
    TIdMemoryStream stream;
    try {
        ftp.DownloadToStream("a.txt", stream, false);
        FAIL();
    } catch (const EIdSocketError& error) {
        EXPECT_EQ(error.LastError, 10061) << error.what();
    }
    EXPECT_EQ(log.Statuses(), (Lines{"Starting FTP transfer", "Transfer complete"}));
    ftp.ChangeDirectory("/");
    EXPECT_EQ(Commands(), (Lines{"PASV", "CWD /"}));
}

// A data connection that moves nothing fails after the stall limit, in both directions; the
// transfer's final reply is read with the failure.
class StalledDataConnection : public ScriptedTransferTest,
                              public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(StalledDataConnection, FailsAfterTheLimitAndTheSessionGoesOn) {
    const bool passive = std::get<0>(GetParam());
    const bool upload = std::get<1>(GetParam());
    const std::string command = upload ? "STOR s.bin" : "RETR s.bin";
    ScriptLogin(server);
    if (upload && passive)
        server.Expect("PASV").ReplyPasv().Expect(command).AcceptData();
    else
        ScriptDataOpen(server, passive).Expect(command);
    server.Send("150 Ok.\r\n");
    if (!passive)
        server.ConnectData();
    if (!upload)
        server.SendData("the first bytes");
    // The server takes nothing more and sends nothing more, until it gives up itself.
    server.Pause(1500)
        .Send("426 Connection closed; transfer aborted.\r\n")
        .Expect("CWD /")
        .Send("250 ok\r\n");
    Open(passive);
    ftp.DataStallTimeout = 300;
    ftp.PendingReplyTimeout = 3000;
    TIdMemoryStream stream(upload ? PatternBytes(64 << 20) : "");
    try {
        if (upload)
            ftp.UploadFromStream(stream, "s.bin", false);
        else
            ftp.DownloadToStream("s.bin", stream, false);
        FAIL() << "a stalled data connection passed";
    } catch (const EIdDataStalled& error) {
        EXPECT_STREQ(error.what(), "The data connection moved no data for 0.3 seconds.");
    }
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    ftp.ChangeDirectory("/");
}

INSTANTIATE_TEST_SUITE_P(Modes, StalledDataConnection,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<bool, bool>>& info) {
                             return std::string(std::get<0>(info.param) ? "Passive" : "Active") +
                                    (std::get<1>(info.param) ? "Upload" : "Download");
                         });

} // namespace
