// Reading the data address out of a 227 reply. Servers disagree on the shape: most put the six
// numbers in parentheses, some print them bare after the last space (RFC 959 leaves the text
// free), and broken ones end them with a full stop.

#include "engine/core/errors.h"
#include "engine/ftp/id_ftp.h"
#include "tests/engine/transfers/transfer_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavo::engine;

namespace {

struct GoodReply {
    const char* line;
    const char* host;
    int port;
};

class PassiveReplyAccepted : public ::testing::TestWithParam<GoodReply> {};

TEST_P(PassiveReplyAccepted, GivesHostAndPort) {
    std::string host = "unchanged";
    int port = -1;
    ParsePassiveReply(GetParam().line, host, port);
    EXPECT_EQ(host, GetParam().host);
    EXPECT_EQ(port, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, PassiveReplyAccepted,
    ::testing::Values(GoodReply{"Entering Passive Mode (192,168,1,2,19,137)", "192.168.1.2", 5001},
                      GoodReply{"Entering Passive Mode 192,168,1,2,19,137", "192.168.1.2", 5001},
                      GoodReply{"Entering Passive Mode (192,168,1,2,19,137).", "192.168.1.2", 5001},
                      GoodReply{"  Entering Passive Mode 192,168,1,2,19,137  ", "192.168.1.2",
                                5001},
                      GoodReply{"=(127,0,0,1,255,255)", "127.0.0.1", 65535},
                      GoodReply{"(10,0,0,5,0,21)", "10.0.0.5", 21},
                      // Only the first six fields count.
                      GoodReply{"(1,2,3,4,5,6,7)", "1.2.3.4", 1286},
                      // Parentheses win over the last-space rule, wherever they stand.
                      GoodReply{"Passive (8,8,4,4,4,0) and more words", "8.8.4.4", 1024},
                      GoodReply{"(192,168,001,002,019,137)", "192.168.1.2", 5001},
                      // The host fields are never used, so they are not checked; blanks
                      // around any field do not count.
                      GoodReply{"Entering Passive Mode (a,b,c,d,19,137)", "a.b.c.d", 5001},
                      GoodReply{"Entering Passive Mode (1,2,3,4, 19,137)", "1.2.3.4", 5001},
                      GoodReply{"( 10 , 0 ,0, 5 , 0 , 21 )", "10.0.0.5", 21},
                      GoodReply{"(300,-1,,x,0,21)", "300.-1..x", 21}));

class PassiveReplyRefused : public ::testing::TestWithParam<const char*> {};

TEST_P(PassiveReplyRefused, RaisesAnErrorNamingTheText) {
    std::string host = "unchanged";
    int port = 1234;
    try {
        ParsePassiveReply(GetParam(), host, port);
        FAIL() << "accepted " << GetParam() << " as " << host << ":" << port;
    } catch (const EIdException& error) {
        EXPECT_NE(std::string(error.what()).find('\''), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    BadShapes, PassiveReplyRefused,
    ::testing::Values("Entering Passive Mode 192,168,1,2,19,137.", // full stop, no parentheses
                      "Entering Passive Mode",                     // no numbers at all
                      "",                                          // no text line
                      "Entering Passive Mode ()",                  // empty parentheses
                      "Entering Passive Mode (1,2,3,4,5)",         // five fields
                      "Entering Passive Mode (1,2,3,4,x,6)",       // not a number
                      "Entering Passive Mode (1,2,3,4,-1,6)",      // negative
                      "Entering Passive Mode (1,2,3,4,,6)",        // empty field
                      "Entering Passive Mode (1,2,3,4,1 9,6)",     // blank inside a field
                      "Entering Passive Mode (1,2,3,4,5,x)",       // second port field
                      "Entering Passive Mode (1,2,3,4,256,0)",     // port beyond 65535
                      "Entering Passive Mode (1,2,3,4,5,99999999999999999999)",
                      "Entering Passive Mode )1,2,3,4,5,6(")); // closing before opening

TEST(PassiveReply, MessageQuotesTheUnreadableField) {
    std::string host;
    int port = 0;
    try {
        ParsePassiveReply("Entering Passive Mode 192,168,1,2,19,137.", host, port);
        FAIL();
    } catch (const EIdException& error) {
        EXPECT_NE(std::string(error.what()).find("137."), std::string::npos) << error.what();
    }
}

// A server that names its address with words and pads its fields still gets its listing:
// the data connection goes to the control connection's peer.
using transfers::ScriptedTransferTest;

TEST_F(ScriptedTransferTest, PassiveListingWithWordsForTheAddress) {
    transfers::ScriptLogin(server);
    for (const char* announced : {"a.b.c.d", " 127. 0. 0. 1"})
        server.Expect("PASV")
            .ReplyPasv(tavo::testing::PasvReply::Announcing(announced))
            .AcceptData()
            .Expect("LIST")
            .Send("150 Here comes the directory listing.\r\n")
            .SendData("drwxr-xr-x 2 ftp ftp 4096 Jan 05 2003 pub\r\n")
            .CloseData()
            .Send("226 Directory send OK.\r\n");
    Open(true);
    for (const char* host : {"a.b.c.d", "127.0.0.1"}) {
        ftp.FetchListing(nullptr, "", true);
        EXPECT_EQ(ftp.ListingLines, transfers::Lines{"drwxr-xr-x 2 ftp ftp 4096 Jan 05 2003 pub"});
        EXPECT_EQ(ftp.PassiveReplyHost, host);
    }
}

} // namespace
