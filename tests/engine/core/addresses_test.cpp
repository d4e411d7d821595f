// The host forms a page may give (names, dotted IPv4, IPv6 with or without brackets) and the
// connect that tries a name's addresses in turn.

#include "tests/engine/core/session_fixture.h"

#include "engine/core/errors.h"

#include <vector>

using namespace tavo::engine;
using Strings = std::vector<std::string>;

namespace {

TEST(Addresses, HostForms) {
    for (const char* yes : {"::1", "2001:db8::5", "fe80::1%eth0", "::ffff:127.0.0.1", "::"})
        EXPECT_TRUE(IsIPv6Literal(yes)) << yes;
    for (const char* no : {"[::1]", "127.0.0.1", "localhost", "ftp.example.com", "", "::g"})
        EXPECT_FALSE(IsIPv6Literal(no)) << no;
    const std::pair<const char*, const char*> unbracketed[] = {
        {"[::1]", "::1"},
        {"::1", "::1"},
        {"[fe80::1%2]", "fe80::1%2"},
        {"[]", "[]"},
        {"ftp.example.com", "ftp.example.com"}};
    for (const auto& [host, address] : unbracketed)
        EXPECT_EQ(UnbracketHost(host), address) << host;
}

// A literal IPv6 address is used as it stands, with no lookup, whether or not it is bracketed.
class Ipv6Literal : public ::testing::TestWithParam<const char*> {};

TEST_P(Ipv6Literal, ConnectsWithoutResolving) {
    tavo::testing::ScriptedServer server("::1");
    server.Send("220 hi\r\n").ExpectClosed();
    server.Start();
    TIdTCPClient client;
    Strings statuses;
    client.OnStatus = [&](TIdComponent&, TIdStatus, const std::string& text) {
        statuses.push_back(text);
    };
    client.Host = GetParam();
    client.Port = server.Port();
    client.OpenConnection();
    EXPECT_EQ(statuses, (Strings{"Connecting to ::1.", "Connected."}));
    EXPECT_EQ(client.Socket()->PeerIP, "::1");
    EXPECT_EQ(client.ReceiveLine(), "220 hi");
    client.DropSocket();
    EXPECT_TRUE(server.WaitUntilFinished(5000));
    EXPECT_EQ(server.Failures(), Strings{});
}

INSTANTIATE_TEST_SUITE_P(Forms, Ipv6Literal, ::testing::Values("[::1]", "::1"));

// A client with a fixed address list, as a name with several addresses would resolve.
class ListedClient : public TIdTCPClient {
public:
    Strings addresses;

protected:
    Strings PeerAddresses() override { return addresses; }
};

struct AttemptCase {
    const char* name;
    Strings addresses; // "server" stands for the scripted server's address
    bool connects;
    int lastError; // the error raised when none connects
};

class ConnectAttempts : public ::testing::TestWithParam<AttemptCase> {};

// Each address is tried in order until one connects; when none does, the last one's error is
// the one raised. "not-an-address" fails at once (10049); 127.0.0.1 at the ::1 server's port
// has nothing listening (10061).
TEST_P(ConnectAttempts, TriesEachInOrder) {
    tavo::testing::ScriptedServer server("::1");
    const bool serverUsed = GetParam().connects;
    if (serverUsed) {
        server.Send("220 hi\r\n").ExpectClosed();
        server.Start();
    }
    ListedClient client;
    Strings connecting;
    client.OnStatus = [&](TIdComponent&, TIdStatus status, const std::string& text) {
        if (status == hsConnecting)
            connecting.push_back(text);
    };
    Strings expected; // attempts stop at the first that connects
    bool reached = false;
    for (const std::string& address : GetParam().addresses) {
        client.addresses.push_back(address == "server" ? server.Host() : address);
        if (!reached)
            expected.push_back("Connecting to " + client.addresses.back() + ".");
        reached = reached || address == "server";
    }
    client.Port = server.Port();
    if (GetParam().connects) {
        client.OpenConnection();
        EXPECT_EQ(client.Socket()->PeerIP, "::1");
        client.DropSocket();
        EXPECT_TRUE(server.WaitUntilFinished(5000));
    } else {
        try {
            client.OpenConnection();
            FAIL() << "connected";
        } catch (const EIdSocketError& error) {
            EXPECT_EQ(error.LastError, GetParam().lastError) << error.what();
        }
        EXPECT_FALSE(client.IsConnected());
    }
    EXPECT_EQ(connecting, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ConnectAttempts,
    ::testing::Values(
        AttemptCase{"FirstAnswers", {"server", "127.0.0.1"}, true, 0},
        AttemptCase{"LaterAnswers", {"not-an-address", "127.0.0.1", "server"}, true, 0},
        AttemptCase{"NoneAnswersLastRefused", {"not-an-address", "127.0.0.1"}, false, 10061},
        AttemptCase{"NoneAnswersLastUnusable", {"127.0.0.1", "not-an-address"}, false, 10049}),
    [](const ::testing::TestParamInfo<AttemptCase>& info) { return info.param.name; });

} // namespace
