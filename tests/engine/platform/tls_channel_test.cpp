// The platform's TLS channel against a real TLS server on 127.0.0.1: openssl s_server, started
// by tests/servers/tls_echo_server.sh, which answers each line reversed (and a server beside it
// that speaks first). Without its TAVO_TLS_* variables the tests skip.

#include "engine/platform/sockets.h"
#include "engine/platform/tls.h"
#include "tests/support/raw_client.h"
#include "tests/support/real_servers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

using namespace tavo::platform;

namespace {

constexpr int WaitMs = 10000;

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

struct Socket {
    SocketHandle handle = InvalidSocket;
    ~Socket() {
        if (handle != InvalidSocket)
            CloseSocket(handle);
    }
};

// Drives the handshake on a non-blocking socket, waiting as the channel asks (bounded).
TlsStep RunHandshake(TlsChannel& channel, SocketHandle socket) {
    SetNonBlocking(socket, true);
    for (;;) {
        const TlsStep step = channel.Handshake();
        int error = 0;
        if (step == TlsStep::WantRead && WaitReadable(socket, WaitMs, error) == 1)
            continue;
        if (step == TlsStep::WantWrite && WaitWritable(socket, WaitMs, error) == 1)
            continue;
        return step;
    }
}

void SendAll(TlsChannel& channel, SocketHandle socket, const std::string& data) {
    for (size_t sent = 0; sent < data.size();) {
        int error = 0;
        // After ErrWouldBlock the same call again, with the same bytes.
        const int n = channel.Send(data.data() + sent, static_cast<int>(data.size() - sent), error);
        if (n > 0)
            sent += static_cast<size_t>(n);
        else
            ASSERT_TRUE(error == ErrWouldBlock && WaitWritable(socket, WaitMs, error) == 1)
                << error << " " << channel.LastErrorText();
    }
}

// Receives until `count` bytes came, or the peer closed (fewer then).
std::string ReceiveBytes(TlsChannel& channel, SocketHandle socket, size_t count) {
    std::string received;
    char buffer[4096];
    while (received.size() < count) {
        const int held = channel.BytesWaiting();
        int error = 0;
        const int n = channel.Receive(buffer, sizeof buffer, error);
        if (n == 0)
            break;
        if (n > 0) {
            received.append(buffer, static_cast<size_t>(n));
            continue;
        }
        // Held bytes come without the socket; waiting for it with some held would hang.
        EXPECT_EQ(held, 0);
        EXPECT_EQ(error, ErrWouldBlock) << channel.LastErrorText();
        if (error != ErrWouldBlock || WaitReadable(socket, WaitMs, error) != 1)
            break;
    }
    return received;
}

std::string Reversed(std::string line) {
    std::reverse(line.begin(), line.end());
    return line;
}

// Full handshakes in the server's log: each one shows its certificate.
int CertificatesShown(const std::string& log) {
    std::ifstream in(log);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        if (line.rfind(">>>", 0) == 0 && line.size() >= 13 &&
            line.compare(line.size() - 13, 13, ", Certificate") == 0)
            ++count;
    return count;
}

class TlsChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = std::atoi(Variable("TAVO_TLS_PORT").c_str());
        if (port == 0)
            GTEST_SKIP() << "no TLS server (TAVO_TLS_PORT; tests/servers/tls_echo_server.sh)";
        ASSERT_EQ(StartSocketLibrary(), 0);
    }
    void TearDown() override {
        if (port != 0)
            StopSocketLibrary();
    }

    // A channel for `name` over a new connection to the server (or the one on `serverPort`),
    // its handshake done.
    std::unique_ptr<TlsChannel> Open(Socket& socket, const std::string& name,
                                     const TlsChannel* resumeFrom = nullptr, int serverPort = 0) {
        int error = 0;
        socket.handle = CreateTcpSocket(error);
        std::atomic<bool> cancelled{false};
        EXPECT_EQ(ConnectSocket(socket.handle, Variable("TAVO_TLS_HOST"),
                                serverPort != 0 ? serverPort : port, cancelled),
                  0);
        std::string why;
        auto channel = TlsChannel::CreateClient(socket.handle, name, resumeFrom, why);
        EXPECT_TRUE(channel) << why;
        if (channel) {
            EXPECT_EQ(RunHandshake(*channel, socket.handle), TlsStep::Done)
                << channel->LastErrorText();
        }
        return channel;
    }

    // One line there and back.
    void ExpectEcho(TlsChannel& channel, SocketHandle socket) {
        SendAll(channel, socket, "ping\n");
        EXPECT_EQ(ReceiveBytes(channel, socket, 5), "gnip\n");
    }

    int port = 0;
};

TEST_F(TlsChannelTest, SelfSignedCertificateIsDescribedAndNotTrusted) {
    Socket socket;
    auto channel = Open(socket, "localhost");
    ASSERT_TRUE(channel);
    const TlsCertificateInfo certificate = channel->PeerCertificate();
    EXPECT_EQ(certificate.Subject, "CN=localhost");
    EXPECT_EQ(certificate.Issuer, "CN=localhost");
    EXPECT_EQ(certificate.Sha256, Variable("TAVO_TLS_SHA256"));
    EXPECT_FALSE(certificate.Trusted);
    EXPECT_FALSE(certificate.Problem.empty());
    for (const std::string& time : {certificate.NotBefore, certificate.NotAfter})
        EXPECT_TRUE(time.size() == 23 && time[4] == '-' && time[10] == ' ' &&
                    time.compare(19, 4, " UTC") == 0)
            << time;
    EXPECT_LT(certificate.NotBefore, certificate.NotAfter);
}

TEST_F(TlsChannelTest, NameIsCheckedAgainstTheNameTheChannelWasMadeFor) {
    const struct {
        const char* name;
        bool matches;
    } cases[] = {{"localhost", true}, {"example.invalid", false}, {"127.0.0.1", false}};
    for (const auto& c : cases) {
        Socket socket;
        auto channel = Open(socket, c.name);
        ASSERT_TRUE(channel) << c.name;
        EXPECT_EQ(channel->PeerCertificate().NameMatches, c.matches) << c.name;
        ExpectEcho(*channel, socket.handle);
    }
}

// 100 KiB in lines: more than one TLS record each way, through a non-blocking socket.
TEST_F(TlsChannelTest, BlockLargerThanARecordRoundTrips) {
    Socket socket;
    auto channel = Open(socket, "localhost");
    ASSERT_TRUE(channel);
    std::string sent, expected;
    for (int i = 0; sent.size() < 100 * 1024; ++i) {
        std::string line = std::to_string(i) + std::string(1000, static_cast<char>('a' + i % 26));
        sent += line + "\n";
        expected += Reversed(line) + "\n";
    }
    SendAll(*channel, socket.handle, sent);
    EXPECT_TRUE(ReceiveBytes(*channel, socket.handle, expected.size()) == expected);
}

TEST_F(TlsChannelTest, ShutdownClosesTheServersSide) {
    Socket socket;
    auto channel = Open(socket, "localhost");
    ASSERT_TRUE(channel);
    ExpectEcho(*channel, socket.handle);
    channel->Shutdown();
    // The server answers close_notify with its own and closes: the end of the data.
    EXPECT_EQ(ReceiveBytes(*channel, socket.handle, 1), "");
    int error = 0;
    EXPECT_EQ(channel->Send("x", 1, error), -1);
}

// Whether SessionResumed tells what the server did: a resumed handshake shows no certificate.
TEST_F(TlsChannelTest, SessionResumedAgreesWithTheServer) {
    Socket firstSocket;
    auto first = Open(firstSocket, "localhost");
    ASSERT_TRUE(first);
    ExpectEcho(*first, firstSocket.handle); // the session tickets come after the handshake
    first->Shutdown();
    ReceiveBytes(*first, firstSocket.handle, 1);
    const std::string log = tavo::testing::LocalPathFromUnix(Variable("TAVO_TLS_LOG"));
    const int before = CertificatesShown(log);
    ASSERT_GT(before, 0) << log;

    Socket secondSocket;
    auto second = Open(secondSocket, "localhost", first.get());
    ASSERT_TRUE(second);
    ExpectEcho(*second, secondSocket.handle);
    const bool serverResumed = CertificatesShown(log) == before;
    EXPECT_EQ(second->SessionResumed(), serverResumed);
    EXPECT_EQ(second->PeerCertificate().Sha256, Variable("TAVO_TLS_SHA256"));
    RecordProperty("SessionResumed", second->SessionResumed() ? "true" : "false");
}

// A server that sends right after the handshake, then close_notify, and closes only after ours
// (tls_talker_server.py; vsftpd ends a download so): the socket stays silent after its
// close_notify, so that must show as the end of the data by itself.
TEST_F(TlsChannelTest, CloseNotifyAfterTheServersDataEndsIt) {
    const int talkerPort = std::atoi(Variable("TAVO_TLS_TALKER_PORT").c_str());
    if (talkerPort == 0)
        GTEST_SKIP() << "no talking TLS server (TAVO_TLS_TALKER_PORT)";
    Socket socket;
    auto channel = Open(socket, "localhost", nullptr, talkerPort);
    ASSERT_TRUE(channel);
    EXPECT_EQ(ReceiveBytes(*channel, socket.handle, 6), "hello\n");
    int error = 0;
    ASSERT_TRUE(channel->ReceiveReady() || WaitReadable(socket.handle, WaitMs, error) == 1);
    char byte = 0;
    EXPECT_EQ(channel->Receive(&byte, 1, error), 0) << error << " " << channel->LastErrorText();
}

TEST_F(TlsChannelTest, ServerClosingDuringHandshakeFails) {
    tavo::testing::RawListener listener;
    const int closingPort = listener.Listen("127.0.0.1");
    ASSERT_NE(closingPort, 0);
    std::jthread server([&] {
        if (auto peer = listener.Accept(WaitMs)) {
            peer->ReadSome(WaitMs); // the ClientHello
            peer->Close();
        }
    });
    int error = 0;
    Socket socket;
    socket.handle = CreateTcpSocket(error);
    std::atomic<bool> cancelled{false};
    ASSERT_EQ(ConnectSocket(socket.handle, "127.0.0.1", closingPort, cancelled), 0);
    std::string why;
    auto channel = TlsChannel::CreateClient(socket.handle, "localhost", nullptr, why);
    ASSERT_TRUE(channel) << why;
    EXPECT_EQ(RunHandshake(*channel, socket.handle), TlsStep::Failed);
    EXPECT_FALSE(channel->LastErrorText().empty());
}

} // namespace
