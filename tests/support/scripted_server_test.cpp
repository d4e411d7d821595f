// The scripted server driven by a bare socket client. Besides the server itself this shows
// that the platform's socket layer works, natively and in both Windows builds under Wine.

#include "tests/support/raw_client.h"
#include "tests/support/scripted_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace tavo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Clock = std::chrono::steady_clock;

constexpr int Wait = 5000;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

RawClient ConnectTo(const ScriptedServer& server) {
    RawClient client;
    EXPECT_EQ(client.Connect(server.Host(), server.Port()), 0);
    return client;
}

TEST(ScriptedServerTest, RunsADialogueAndRecordsTheCommands) {
    ScriptedServer server;
    server.Send("220 Hello\r\n")
        .Expect("USER anonymous")
        .Send("331 Password please\r\n")
        .ExpectPrefix("PASS ")
        .Send("230-Welcome\r\n more text\r\n230 Done\r\n")
        .ExpectAny()
        .Send("215 UNIX Type: L8\r\n");
    server.Start();

    RawClient client = ConnectTo(server);
    EXPECT_EQ(client.ReadReply(Wait), "220 Hello\r\n");
    client.Send("USER anonymous\r\n");
    EXPECT_EQ(client.ReadReply(Wait), "331 Password please\r\n");
    client.Send("PASS secret\r\n");
    EXPECT_EQ(client.ReadReply(Wait), "230-Welcome\r\n more text\r\n230 Done\r\n");
    client.Send("SYST\r\n");
    EXPECT_EQ(client.ReadReply(Wait), "215 UNIX Type: L8\r\n");

    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_THAT(server.ReceivedCommands(), ElementsAre("USER anonymous", "PASS secret", "SYST"));
    EXPECT_THAT(server.Failures(), IsEmpty());
}

TEST(ScriptedServerTest, SendsRawBytesUnchanged) {
    // Blank lines, LF-only endings and a missing final line end reach the client as stated.
    const std::string raw = "\r\n\r\n220-first\n220 last\n   \r\n200 no end";
    ScriptedServer server;
    server.Send(raw).Pause(50).CloseControl();
    server.Start();

    RawClient client = ConnectTo(server);
    EXPECT_EQ(client.ReadToEnd(Wait), raw);
    EXPECT_TRUE(client.PeerClosed());
    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_THAT(server.Failures(), IsEmpty());
}

struct MismatchCase {
    const char* name;
    const char* sent;
    std::vector<const char*> failureParts;
};

class ScriptedServerMismatchTest : public ::testing::TestWithParam<MismatchCase> {};

TEST_P(ScriptedServerMismatchTest, RecordsTheFailureWithBothTexts) {
    ScriptedServer server;
    server.Send("220 Hello\r\n").Expect("USER alice").Send("331 Password\r\n");
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    client.Send(GetParam().sent);
    client.ReadReply(Wait);
    client.Close();

    ASSERT_TRUE(server.WaitUntilDone());
    auto failures = server.Failures();
    ASSERT_FALSE(failures.empty());
    std::string all;
    for (const auto& f : failures)
        all += f + "\n";
    for (const char* part : GetParam().failureParts)
        EXPECT_THAT(all, HasSubstr(part));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ScriptedServerMismatchTest,
    ::testing::Values(
        MismatchCase{"OtherText", "USER bob\r\n", {"\"USER alice\"", "\"USER bob\"", "step 2"}},
        MismatchCase{"LfOnly", "USER alice\n", {"not ended by CR LF"}},
        MismatchCase{"ExtraLine", "USER alice\r\nNOOP\r\n", {"after the end", "\"NOOP\""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptedServerTest, PiecesArriveInSeparateReads) {
    ScriptedServer server;
    server.SendInPieces("220 split reply\r\n", {4, 6}, 150).Trickle("200 ok\r\n", 40);
    server.Start();

    RawClient client = ConnectTo(server);
    std::vector<std::string> reads;
    std::string all;
    while (all.size() < 25) {
        std::string piece = client.ReadSome(Wait);
        if (piece.empty())
            break;
        reads.push_back(piece);
        all += piece;
    }
    EXPECT_EQ(all, "220 split reply\r\n200 ok\r\n");
    // 4 + 6 + 7 bytes, then eight single bytes: the client waits in between, so each piece is
    // its own read.
    ASSERT_GE(reads.size(), 3u);
    EXPECT_EQ(reads[0], "220 ");
    EXPECT_EQ(reads[1], "split ");
    EXPECT_GE(reads.size(), 8u);
    EXPECT_THAT(server.Failures(), IsEmpty());
}

TEST(ScriptedServerTest, ClosesInTheMiddleOfAReply) {
    ScriptedServer server;
    server.Send("220 Hello\r\n").Expect("NOOP").Send("200-half a rep").CloseControl();
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    client.Send("NOOP\r\n");
    EXPECT_EQ(client.ReadToEnd(Wait), "200-half a rep");
    EXPECT_TRUE(client.PeerClosed());
    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_THAT(server.Failures(), IsEmpty());
}

TEST(ScriptedServerTest, SilenceRecordsWhatTheClientSaysAndEndsWhenItLeaves) {
    ScriptedServer server;
    server.Send("220 Hello\r\n").Silence();
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    client.Send("NOOP\r\n");
    EXPECT_EQ(client.ReadSome(300), "");
    EXPECT_FALSE(client.PeerClosed());
    client.Close();
    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_THAT(server.ReceivedCommands(), ElementsAre("NOOP"));
    EXPECT_THAT(server.Failures(), IsEmpty());
}

TEST(ScriptedServerTest, ExpectClosedSeesTheClientLeave) {
    ScriptedServer server;
    server.Send("220 Hello\r\n").Expect("QUIT").Send("221 Bye\r\n").ExpectClosed();
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    client.Send("QUIT\r\n");
    client.ReadReply(Wait);
    client.Close();
    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_THAT(server.Failures(), IsEmpty());
}

TEST(ScriptedServerTest, AcceptsAReconnect) {
    ScriptedServer server;
    server.Send("220 first\r\n").CloseControl().AcceptControl().Send("220 second\r\n");
    server.Start();

    RawClient first = ConnectTo(server);
    EXPECT_EQ(first.ReadToEnd(Wait), "220 first\r\n");
    RawClient second = ConnectTo(server);
    EXPECT_EQ(second.ReadReply(Wait), "220 second\r\n");
    second.Close();
    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_THAT(server.Failures(), IsEmpty());
}

struct PasvCase {
    const char* name;
    PasvReply reply;
    const char* expectedStart;
    const char* announcedIp;
};

class ScriptedServerPasvTest : public ::testing::TestWithParam<PasvCase> {};

TEST_P(ScriptedServerPasvTest, ServesADownloadOnItsDataListener) {
    ScriptedServer server;
    server.Send("220 Hello\r\n")
        .Expect("PASV")
        .ReplyPasv(GetParam().reply)
        .Expect("RETR file.txt")
        .AcceptData()
        .Send("150 Here it comes\r\n")
        .SendData("file contents\r\n")
        .CloseData()
        .Send("226 Done\r\n");
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    client.Send("PASV\r\n");
    std::string reply = client.ReadReply(Wait);
    EXPECT_EQ(reply.rfind(GetParam().expectedStart, 0), 0u) << reply;
    std::string ip;
    int port = 0;
    ASSERT_TRUE(ParsePasvReply(reply, ip, port)) << reply;
    EXPECT_EQ(ip, GetParam().announcedIp);
    client.Send("RETR file.txt\r\n");

    // Whatever the reply claims, the listener is on the loopback address.
    RawClient dataClient;
    ASSERT_EQ(dataClient.Connect("127.0.0.1", port), 0);
    EXPECT_EQ(client.ReadReply(Wait), "150 Here it comes\r\n");
    EXPECT_EQ(dataClient.ReadToEnd(Wait), "file contents\r\n");
    EXPECT_EQ(client.ReadReply(Wait), "226 Done\r\n");

    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.DataPeerIp(), "127.0.0.1");
    EXPECT_THAT(server.Failures(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ScriptedServerPasvTest,
    ::testing::Values(PasvCase{"Parenthesised", PasvReply::Parenthesised(),
                               "227 Entering Passive Mode (127,0,0,1,", "127.0.0.1"},
                      PasvCase{"Bare", PasvReply::Bare(), "227 Entering Passive Mode 127,0,0,1,",
                               "127.0.0.1"},
                      PasvCase{"ForeignAddress", PasvReply::Announcing("10.99.0.7"),
                               "227 Entering Passive Mode (10,99,0,7,", "10.99.0.7"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptedServerTest, ActiveModeConnectsToThePortAndReceivesTheUpload) {
    RawListener listener;
    int port = listener.Listen("127.0.0.1");
    ASSERT_GT(port, 0);

    ScriptedServer server;
    server.Send("220 Hello\r\n")
        .ExpectPrefix("PORT ")
        .Send("200 PORT ok\r\n")
        .Expect("STOR up.bin")
        .Send("150 Send it\r\n")
        .ConnectData()
        .ReceiveDataToEnd()
        .Send("226 Stored\r\n");
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    client.Send("PORT " + FtpAddress("127.0.0.1", port) + "\r\n");
    EXPECT_EQ(client.ReadReply(Wait), "200 PORT ok\r\n");
    client.Send("STOR up.bin\r\n");
    EXPECT_EQ(client.ReadReply(Wait), "150 Send it\r\n");
    auto data = listener.Accept(Wait);
    ASSERT_TRUE(data.has_value());
    std::string upload(300000, '\0');
    for (std::size_t i = 0; i < upload.size(); ++i)
        upload[i] = static_cast<char>(i * 7 + i / 251);
    EXPECT_TRUE(data->Send(upload));
    data->Close();
    EXPECT_EQ(client.ReadReply(Wait), "226 Stored\r\n");

    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.ReceivedData(), upload);
    EXPECT_THAT(server.Failures(), IsEmpty());
}

TEST(ScriptedServerTest, ActiveModeCanConnectFromAForeignAddress) {
    RawListener listener;
    int port = listener.Listen("127.0.0.1");
    ASSERT_GT(port, 0);

    ScriptedServer server;
    server.Send("220 Hello\r\n")
        .ExpectPrefix("PORT ")
        .Send("200 PORT ok\r\n")
        .ConnectData("127.0.0.2")
        .ExpectDataClosed()
        .ConnectData()
        .SendData("real data")
        .CloseData();
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    client.Send("PORT " + FtpAddress("127.0.0.1", port) + "\r\n");
    client.ReadReply(Wait);

    auto foreign = listener.Accept(Wait);
    ASSERT_TRUE(foreign.has_value());
    EXPECT_EQ(foreign->PeerIp(), "127.0.0.2");
    foreign->Close();
    auto genuine = listener.Accept(Wait);
    ASSERT_TRUE(genuine.has_value());
    EXPECT_EQ(genuine->PeerIp(), "127.0.0.1");
    EXPECT_EQ(genuine->ReadToEnd(Wait), "real data");

    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_THAT(server.Failures(), IsEmpty());
}

TEST(ScriptedServerTest, AClientThatStopsReadingIsCutOffAfterTheStepTimeout) {
    ScriptedServer server;
    server.StepTimeout(300)
        .Send("220 Hello\r\n")
        .ReplyPasv()
        .AcceptData()
        .SendData(std::string(16 * 1024 * 1024, 'x'));
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    std::string ip;
    int port = 0;
    ASSERT_TRUE(ParsePasvReply(client.ReadReply(Wait), ip, port));
    RawClient dataClient;
    ASSERT_EQ(dataClient.Connect("127.0.0.1", port), 0);

    // Filling the socket buffers first takes a while on a loaded machine (under Wine they
    // hold several MiB); the failure names the wait that applied.
    ASSERT_TRUE(server.WaitUntilFinished(6 * Wait));
    auto failures = server.Failures();
    ASSERT_FALSE(failures.empty());
    EXPECT_THAT(failures[0], HasSubstr("read no data for 300 ms"));
}

TEST(ScriptedServerTest, AnEarlyCloseIsQuietWhenTheScriptAllowsIt) {
    ScriptedServer server;
    server.Send("220 Hello\r\n")
        .ReplyPasv()
        .AcceptData()
        .SendDataUntilClosed(std::string(16 * 1024 * 1024, 'y'))
        .Expect("ABOR")
        .Send("426 Aborted\r\n226 Ok\r\n");
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    std::string ip;
    int port = 0;
    ASSERT_TRUE(ParsePasvReply(client.ReadReply(Wait), ip, port));
    {
        RawClient dataClient;
        ASSERT_EQ(dataClient.Connect("127.0.0.1", port), 0);
        EXPECT_FALSE(dataClient.ReadSome(Wait).empty());
    } // closes with unread data: the server's send fails with a reset
    client.Send("ABOR\r\n");
    EXPECT_EQ(client.ReadReply(Wait), "426 Aborted\r\n");
    EXPECT_EQ(client.ReadReply(Wait), "226 Ok\r\n");
    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_THAT(server.Failures(), IsEmpty());
}

TEST(ScriptedServerTest, MissingClientIsAFailureAfterTheStepTimeout) {
    ScriptedServer server;
    server.StepTimeout(200).Send("220 Hello\r\n");
    server.Start();
    ASSERT_TRUE(server.WaitUntilFinished(Wait));
    ASSERT_EQ(server.Failures().size(), 1u);
    EXPECT_THAT(server.Failures()[0], HasSubstr("no control connection within 200 ms"));
}

TEST(ScriptedServerTest, ASilentClientStopsTheScriptAndIsToldByAClose) {
    ScriptedServer server;
    server.StepTimeout(200).Send("220 Hello\r\n").Expect("USER x").Send("331 never sent\r\n");
    server.Start();

    RawClient client = ConnectTo(server);
    EXPECT_EQ(client.ReadToEnd(Wait), "220 Hello\r\n");
    EXPECT_TRUE(client.PeerClosed());
    auto failures = server.Failures();
    ASSERT_FALSE(failures.empty());
    EXPECT_THAT(failures[0], HasSubstr("nothing came within 200 ms"));
}

TEST(ScriptedServerTest, MarksCanBeAwaited) {
    ScriptedServer server;
    server.Send("220 Hello\r\n").Expect("NOOP").Mark("noop seen").Send("200 Ok\r\n");
    server.Start();

    RawClient client = ConnectTo(server);
    client.ReadReply(Wait);
    EXPECT_FALSE(server.WaitForMark("noop seen", 100));
    client.Send("NOOP\r\n");
    EXPECT_TRUE(server.WaitForMark("noop seen", Wait));
    EXPECT_FALSE(server.WaitForMark("never stated", 100));
}

TEST(ScriptedServerTest, DestructionEndsAWaitingScriptAtOnce) {
    auto start = Clock::now();
    {
        ScriptedServer server;
        server.Send("220 Hello\r\n").Expect("USER x");
        server.Start();
        RawClient client = ConnectTo(server);
        client.ReadReply(Wait);
    }
    EXPECT_LT(MillisecondsSince(start), 5000); // half the default step timeout
}

} // namespace
} // namespace tavo::testing
