// Data connections over IPv6 (RFC 2428): EPSV and its 229 reply, EPRT, and what happens when a
// server refuses them. Over IPv4 the dialogue stays PASV and PORT (data_channel_test.cpp).

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/errors.h"
#include "engine/core/id_intercept.h"

#include <gmock/gmock.h>

using namespace tavo::engine;
using namespace tavo::engine::transfers;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

struct EpsvLine {
    const char* line;
    int port;
};

class ExtendedPassiveAccepted : public ::testing::TestWithParam<EpsvLine> {};

TEST_P(ExtendedPassiveAccepted, GivesThePort) {
    EXPECT_EQ(ParseExtendedPassiveReply(GetParam().line), GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    ServerLines, ExtendedPassiveAccepted,
    ::testing::Values(EpsvLine{"Entering Extended Passive Mode (|||40123|)", 40123},  // vsftpd
                      EpsvLine{"Extended Passive mode OK (|||30021|)", 30021},        // pure-ftpd
                      EpsvLine{"Entering Extended Passive Mode (|||55012|)", 55012},  // proftpd
                      EpsvLine{"Entering extended passive mode (|||43215|).", 43215}, // pyftpdlib
                      EpsvLine{"(|||1|)", 1}, EpsvLine{"(|||65535|)", 65535},
                      // Any printable delimiter, the same all through (RFC 2428 section 2).
                      EpsvLine{"Entering Extended Passive Mode (!!!6446!)", 6446},
                      EpsvLine{"Entering Extended Passive Mode (###6446#)", 6446},
                      EpsvLine{"Entering Extended Passive Mode ()))6446))", 6446},
                      EpsvLine{"Entering Extended Passive Mode (|||06446|)", 6446}));

class ExtendedPassiveRefused : public ::testing::TestWithParam<const char*> {};

TEST_P(ExtendedPassiveRefused, RaisesAnErrorNamingTheText) {
    try {
        int port = ParseExtendedPassiveReply(GetParam());
        FAIL() << "accepted '" << GetParam() << "' as port " << port;
    } catch (const EIdException& error) {
        EXPECT_THAT(error.what(), HasSubstr("'" + std::string(GetParam()) + "'"));
    }
}

INSTANTIATE_TEST_SUITE_P(BadLines, ExtendedPassiveRefused,
                         ::testing::Values("", "Entering Extended Passive Mode",
                                           "Entering Extended Passive Mode |||6446|", "(|||)",
                                           "(||6446|)", "(|||6446)", "(|||6446!)", "(|!|6446|)",
                                           "(|||0|)", "(|||65536|)", "(|||99999999999999999999|)",
                                           "(|||-1|)", "(||| 6446|)", "(|||64a6|)", "(111164461)",
                                           "( ||6446|)", "(|2|::1|6446|)",
                                           "Entering Extended Passive Mode (|||6446|"));

TEST(ExtendedPort, ArgumentNamesFamilyAddressAndPort) {
    EXPECT_EQ(ExtendedPortArgument("::1", 5001), "|2|::1|5001|");
    EXPECT_EQ(ExtendedPortArgument("2001:db8::5", 21), "|2|2001:db8::5|21|");
    EXPECT_EQ(ExtendedPortArgument("fe80::1%eth0", 3000), "|2|fe80::1|3000|");
    EXPECT_EQ(ExtendedPortArgument("10.0.0.5", 3000), "|1|10.0.0.5|3000|");
}

class Ipv6TransferTest : public ScriptedTransferTest {
protected:
    Ipv6TransferTest() : ScriptedTransferTest("::1") {}
};

const char* const Listing = "drwxr-xr-x 2 ftp ftp 4096 Jan 05 2003 pub\r\n";

TEST_F(Ipv6TransferTest, EpsvListingGoesToTheControlPeerAndShowsInTheTrace) {
    ScriptLogin(server)
        .Expect("EPSV")
        .ReplyEpsv()
        .AcceptData()
        .Expect("LIST")
        .Send("150 Here comes the directory listing.\r\n")
        .SendData(Listing)
        .CloseData()
        .Send("226 Directory send OK.\r\n");
    Open(true);
    TIdLogEvent trace;
    trace.Active = true;
    trace.LogTime = false;
    Lines sent;
    trace.OnSent = [&](TIdLogEvent&, const std::string&, const std::string& d) {
        sent.push_back(d);
    };
    ftp.Intercept = &trace;
    ftp.FetchListing(nullptr, "", true);
    ftp.Intercept = nullptr;
    EXPECT_EQ(ftp.ListingLines, Lines{"drwxr-xr-x 2 ftp ftp 4096 Jan 05 2003 pub"});
    EXPECT_EQ(sent, (Lines{"EPSV<EOL>", "LIST<EOL>"}));
    EXPECT_EQ(server.DataPeerIp(), "::1");
    EXPECT_EQ(ftp.PassiveReplyHost, "::1");
    EXPECT_GT(ftp.PassiveReplyPort, 0);
}

// A server that refuses EPSV may still answer PASV over IPv6; only its port is used. The
// refusal is remembered for the session.
TEST_F(Ipv6TransferTest, RefusedEpsvFallsBackToPasvForTheSession) {
    ScriptLogin(server).Expect("EPSV").Send("500 Unknown command.\r\n");
    for (int i = 0; i < 2; ++i)
        server.Expect("PASV")
            .ReplyPasv()
            .AcceptData()
            .Expect("LIST")
            .Send("150 Here comes the directory listing.\r\n")
            .SendData(Listing)
            .CloseData()
            .Send("226 Directory send OK.\r\n");
    Open(true);
    for (int i = 0; i < 2; ++i) {
        ftp.FetchListing(nullptr, "", true);
        EXPECT_EQ(ftp.ListingLines, Lines{"drwxr-xr-x 2 ftp ftp 4096 Jan 05 2003 pub"});
    }
    EXPECT_EQ(Commands(), (Lines{"EPSV", "PASV", "LIST", "PASV", "LIST"}));
    EXPECT_EQ(server.DataPeerIp(), "::1");
}

TEST_F(Ipv6TransferTest, RefusedEpsvAndPasvRaiseATypedErrorAndTheSessionGoesOn) {
    ScriptLogin(server)
        .Expect("EPSV")
        .Send("502 EPSV not implemented.\r\n")
        .Expect("PASV")
        .Send("425 You cannot use PASV on IPv6 connections.\r\n")
        .Expect("CWD /")
        .Send("250 Directory successfully changed.\r\n");
    Open(true);
    try {
        ftp.FetchListing(nullptr, "", true);
        FAIL() << "a listing without any passive mode went through";
    } catch (const EIdExtendedModeRefused& error) {
        EXPECT_EQ(error.ReplyErrorCode, 425);
        EXPECT_THAT(error.what(), HasSubstr("EPSV and PASV"));
        EXPECT_THAT(error.what(), HasSubstr("You cannot use PASV on IPv6 connections."));
    }
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    ftp.ChangeDirectory("/");
}

// Only a refusal (5xx) sends the engine to PASV; any other answer fails as today.
TEST_F(Ipv6TransferTest, EpsvAnsweredWithATransientErrorFailsWithoutPasv) {
    ScriptLogin(server).Expect("EPSV").Send("421 Too many connections.\r\n");
    Open(true);
    try {
        ftp.FetchListing(nullptr, "", true);
        FAIL() << "a 421 was taken for a 229";
    } catch (const EIdExtendedModeRefused&) {
        FAIL() << "a 421 was taken for a refusal";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 421);
    }
    EXPECT_EQ(Commands(), Lines{"EPSV"});
}

TEST_F(Ipv6TransferTest, EprtNamesTheIpv6Listener) {
    ScriptLogin(server)
        .ExpectPrefix("EPRT |2|::1|")
        .Send("200 EPRT command successful. Consider using EPSV.\r\n")
        .Expect("RETR a.txt")
        .Send("150 Opening BINARY mode data connection.\r\n")
        .ConnectData()
        .SendData("0123456789")
        .CloseData()
        .Send("226 Transfer complete.\r\n");
    Open(false);
    int listenerPort = 0;
    ftp.OnWorkBegin = [&](TIdComponent& sender, TWorkMode, int64_t) {
        listenerPort = dynamic_cast<TIdTCPConnection&>(sender).Socket()->Port;
    };
    TIdMemoryStream stream;
    ftp.DownloadToStream("a.txt", stream, false);
    EXPECT_EQ(stream.Bytes(), "0123456789");
    EXPECT_EQ(Commands(),
              (Lines{"EPRT |2|::1|" + std::to_string(listenerPort) + "|", "RETR a.txt"}));
}

// PORT has no room for an IPv6 address, so a refused EPRT ends the transfer at once.
TEST_F(Ipv6TransferTest, RefusedEprtRaisesATypedErrorAndSendsNoPort) {
    ScriptLogin(server)
        .ExpectPrefix("EPRT ")
        .Send("500 Unknown command.\r\n")
        .Expect("CWD /")
        .Send("250 Directory successfully changed.\r\n");
    Open(false);
    try {
        TIdMemoryStream stream;
        ftp.DownloadToStream("a.txt", stream, false);
        FAIL() << "a download without a data connection went through";
    } catch (const EIdExtendedModeRefused& error) {
        EXPECT_EQ(error.ReplyErrorCode, 500);
        EXPECT_THAT(error.what(), StartsWith("The server refused EPRT"));
    }
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    ftp.ChangeDirectory("/");
    EXPECT_EQ(Commands().size(), 2u);
}

} // namespace
