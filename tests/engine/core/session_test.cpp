// Session transcripts: the server's replies, the exact commands the session must send, and
// the error it must raise.

#include "tests/engine/core/session_fixture.h"

#include "engine/core/errors.h"

using tavo::engine::ScriptedSessionTest;
using namespace tavo::engine;
using Commands = std::vector<std::string>;

TEST_F(ScriptedSessionTest, LogsInAndReportsEachStep) {
    LoginScript().ExpectClosed();
    server.Start();
    ftp.OpenSession();
    EXPECT_EQ(ftp.SystemDescription, "UNIX Type: L8");
    EXPECT_EQ(ftp.GreetingReply.NumericCode, 220);
    EXPECT_EQ(ftp.LoginReply.NumericCode, 230);
    EXPECT_TRUE(ftp.IsConnected());
    ftp.DropSocket();
    EXPECT_EQ(statuses,
              (Commands{"Connecting to 127.0.0.1.", "Connected.", "Connection established"}));
}

TEST_F(ScriptedSessionTest, UserAcceptedWithoutPasswordAndUnknownSystem) {
    server.Send("220 hi\r\n")
        .Expect("USER anonymous")
        .Send("230 no password needed\r\n")
        .Expect("TYPE I")
        .Send("200 ok\r\n")
        .Expect("SYST")
        .Send("500 what?\r\n")
        .Expect("FEAT")
        .Send("500 what?\r\n")
        .ExpectClosed();
    server.Start();
    ftp.OpenSession();
    EXPECT_EQ(ftp.SystemDescription, "Unknown");
}

TEST_F(ScriptedSessionTest, RefusedLogInClosesTheConnection) {
    server.Send("220 hi\r\n")
        .Expect("USER anonymous")
        .Send("331 pw\r\n")
        .Expect("PASS secret")
        .Send("530 Login incorrect.\r\n")
        .ExpectClosed();
    server.Start();
    try {
        ftp.OpenSession();
        FAIL() << "log-in should fail";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 530);
        EXPECT_STREQ(error.what(), "Login incorrect.\r\n");
    }
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(statuses.back(), "Disconnected.");
}

TEST_F(ScriptedSessionTest, SystReply502OrBadGreetingFailsTheSession) {
    server.Send("220 hi\r\n")
        .Expect("USER anonymous")
        .Send("230 ok\r\n")
        .Expect("TYPE I")
        .Send("200 ok\r\n")
        .Expect("SYST")
        .Send("502 not implemented\r\n")
        .ExpectClosed();
    server.Start();
    EXPECT_THROW(ftp.OpenSession(), EIdProtocolReplyError);
    EXPECT_FALSE(ftp.IsConnected());
}

TEST_F(ScriptedSessionTest, GreetingOtherThan220) {
    server.Send("421 Too many users\r\n").ExpectClosed();
    server.Start();
    EXPECT_THROW(ftp.OpenSession(), EIdProtocolReplyError);
    EXPECT_FALSE(ftp.IsConnected());
}

TEST_F(ScriptedSessionTest, OneCommandOperations) {
    LoginScript()
        .Expect("CWD /pub")
        .Send("250 Directory successfully changed.\r\n")
        .Expect("PWD")
        .Send("257 \"/home/user\" is current directory\r\n")
        .Expect("PWD")
        .Send("257 ok\r\n")
        .Expect("MKD new")
        .Send("257 \"/new\" created\r\n")
        .Expect("RMD old")
        .Send("250 Remove directory operation successful.\r\n")
        .Expect("DELE a.txt")
        .Send("250 Delete operation successful.\r\n")
        .Expect("RNFR a b")
        .Send("350 Ready for RNTO.\r\n")
        .Expect("RNTO sub/a b")
        .Send("250 Rename successful.\r\n")
        .Expect("CWD ..")
        .Send("200 ok\r\n")
        .ExpectClosed();
    server.Start();
    ftp.OpenSession();
    ftp.ChangeDirectory("/pub");
    EXPECT_EQ(ftp.QueryCurrentDirectory(), "/home/user");
    EXPECT_EQ(ftp.QueryCurrentDirectory(), "");
    ftp.CreateDirectory("new");
    ftp.DeleteDirectory("old");
    ftp.DeleteRemoteFile("a.txt");
    ftp.RenameEntry("a b", "sub/a b");
    ftp.ChangeDirectory("..");
    ftp.DropSocket();
}

TEST_F(ScriptedSessionTest, RefusalsKeepTheSessionUsable) {
    LoginScript()
        .Expect("CWD missing")
        .Send("550 Failed to change directory.\r\n")
        .Expect("RNFR ghost")
        .Send("550 RNFR command failed.\r\n")
        .Expect("PWD")
        .Send("257 \"/\"\r\n")
        .ExpectClosed();
    server.Start();
    ftp.OpenSession();
    try {
        ftp.ChangeDirectory("missing");
        FAIL();
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 550);
        EXPECT_STREQ(error.what(), "Failed to change directory.\r\n");
    }
    EXPECT_THROW(ftp.RenameEntry("ghost", "b"), EIdProtocolReplyError); // RNTO never sent
    EXPECT_TRUE(ftp.IsConnected());
    EXPECT_EQ(ftp.QueryCurrentDirectory(), "/");
    ftp.DropSocket();
}

// Servers differ in which 2xx they answer; any of them means the command was done.
TEST_F(ScriptedSessionTest, AnySuccessCodeCompletesACommandWhoseReplyCarriesNothing) {
    server.Send("220 hi\r\n")
        .Expect("USER anonymous")
        .Send("230 ok\r\n")
        .Expect("TYPE I")
        .Send("202 Binary is the only type here.\r\n")
        .Expect("SYST")
        .Send("215 Windows_NT\r\n")
        .Expect("FEAT")
        .Send("500 'FEAT': command not understood\r\n")
        .Expect("DELE a.txt")
        .Send("200 DELE command successful.\r\n")
        .Expect("CWD /pub")
        .Send("257 \"/pub\" is current directory.\r\n")
        .Expect("MKD new")
        .Send("250 MKD command successful.\r\n")
        .Expect("RMD old")
        .Send("200 RMD command successful.\r\n")
        .Expect("RNFR a")
        .Send("350 ok\r\n")
        .Expect("RNTO b")
        .Send("200 RNTO command successful.\r\n")
        .Expect("DELE pending")
        .Send("350 Not done.\r\n")
        .ExpectClosed();
    server.Start();
    ftp.OpenSession();
    ftp.DeleteRemoteFile("a.txt");
    ftp.ChangeDirectory("/pub");
    ftp.CreateDirectory("new");
    ftp.DeleteDirectory("old");
    ftp.RenameEntry("a", "b");
    try {
        ftp.DeleteRemoteFile("pending");
        FAIL() << "a 3xx is no success";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 350);
        EXPECT_STREQ(error.what(), "Not done.\r\n");
    }
    ftp.DropSocket();
}

TEST(SessionListing, CustomFormatIsReadByTheSessionsHandler) {
    TIdFTP ftp;
    ftp.ListingLines = {"name=a", "name=b"};
    ftp.OnCheckListFormat = [](TIdFTP&, const std::string&, TIdFTPListFormat& format) {
        format = flfCustom;
    };
    ftp.OnParseCustomListFormat = [](TIdFTP&, TIdFTPListItem& item) {
        item.SetEntryName(item.RawLine().substr(5));
    };
    ASSERT_EQ(ftp.ListingItems().Count(), 2);
    EXPECT_EQ(ftp.ListingItems()[1].EntryName(), "b");
}

TEST_F(ScriptedSessionTest, RemoteFileSizeIsSixtyFourBitAndNeverRaises) {
    LoginScript()
        .Expect("SIZE a")
        .Send("213 1048576\r\n")
        .Expect("SIZE big")
        .Send("213 5368709120\r\n")
        .Expect("SIZE words")
        .Send("213 1048576 bytes\r\n")
        .Expect("SIZE missing")
        .Send("550 Could not get file size.\r\n")
        .Expect("SIZE junk")
        .Send("213 12x\r\n")
        .ExpectClosed();
    server.Start();
    ftp.OpenSession();
    EXPECT_EQ(ftp.RemoteFileSize("a"), 1048576);
    EXPECT_EQ(ftp.RemoteFileSize("big"), 5368709120LL);
    EXPECT_EQ(ftp.RemoteFileSize("words"), -1);
    EXPECT_EQ(ftp.RemoteFileSize("missing"), -1);
    EXPECT_EQ(ftp.RemoteFileSize("junk"), -1);
    ftp.DropSocket();
}

TEST_F(ScriptedSessionTest, ResumeProbeRunsOnceInTheObjectsLife) {
    LoginScript()
        .Expect("REST 1")
        .Send("502 REST not implemented\r\n")
        .Expect("REST 0")
        .Send("502 REST not implemented\r\n")
        .ExpectClosed();
    server.Start();
    ftp.OpenSession();
    EXPECT_FALSE(ftp.ProbeResume());
    EXPECT_FALSE(ftp.ProbeResume()); // nothing sent the second time
    ftp.DropSocket();
}

TEST_F(ScriptedSessionTest, ArgumentsWithLineBreaksAreRefusedBeforeSending) {
    // The only commands the server sees are the log-in and the final PWD: nothing smuggled.
    LoginScript().Expect("PWD").Send("257 \"/\"\r\n").ExpectClosed();
    server.Start();
    ftp.OpenSession();
    const std::string smuggled[] = {"a\r\nDELE x", "a\nDELE x", std::string("a\0b", 3), "x\r"};
    for (const std::string& name : smuggled) {
        EXPECT_THROW(ftp.ChangeDirectory(name), EIdException);
        EXPECT_THROW(ftp.DeleteRemoteFile(name), EIdException);
        EXPECT_THROW(ftp.RenameEntry("ok", name), EIdException);
        EXPECT_THROW(ftp.CreateDirectory(name), EIdException);
        EXPECT_THROW(ftp.RemoteFileSize(name), EIdException);
    }
    try {
        ftp.DeleteDirectory("x\r\nRMD /");
        FAIL();
    } catch (const EIdException& error) {
        EXPECT_NE(std::string(error.what()).find("CR, LF or NUL"), std::string::npos);
    }
    EXPECT_EQ(ftp.QueryCurrentDirectory(), "/");
    ftp.DropSocket();
}

TEST_F(ScriptedSessionTest, PasswordWithLineBreakIsRefusedBeforeSending) {
    server.Send("220 hi\r\n").ExpectClosed();
    server.Start();
    ftp.Password = "pw\r\nDELE important";
    EXPECT_THROW(ftp.OpenSession(), EIdException);
    EXPECT_FALSE(ftp.IsConnected());
}

TEST_F(ScriptedSessionTest, CloseSessionSendsQuitWithoutWaiting) {
    LoginScript().Expect("QUIT").ExpectClosed();
    server.Start();
    ftp.OpenSession();
    statuses.clear();
    ftp.CloseSession();
    EXPECT_EQ(statuses, (Commands{"Disconnecting.", "Disconnected."}));
    statuses.clear();
    ftp.CloseSession(); // closed: sends nothing, still reports
    EXPECT_EQ(statuses, (Commands{"Disconnecting.", "Disconnected."}));
}

TEST_F(ScriptedSessionTest, AbortWithoutTransferLeavesItsReplyForTheNextCommand) {
    LoginScript()
        .Expect("ABOR")
        .Send("225 No transfer to ABOR.\r\n")
        .Expect("PWD")
        .Send("257 \"/\"\r\n")
        .ExpectClosed();
    server.Start();
    ftp.OpenSession();
    ftp.AbortTransfer();
    EXPECT_THROW(ftp.QueryCurrentDirectory(), EIdProtocolReplyError); // reads the 225
    ftp.AwaitReply({257});
    ftp.DropSocket();
}

TEST_F(ScriptedSessionTest, SecondOpenIsRefused) {
    LoginScript().ExpectClosed();
    server.Start();
    ftp.OpenSession();
    EXPECT_THROW(ftp.OpenConnection(), EIdAlreadyConnected);
    ftp.DropSocket();
}

struct ProxyCase {
    TIdFtpProxyType type;
    std::string proxyUser;
    std::string proxyPassword;
    std::vector<std::string> commands;
};

TEST(ProxyLogIn, EachProxyTypeSendsItsSequence) {
    const ProxyCase cases[] = {
        {fpcmUserSite, "pu", "pp", {"USER pu", "PASS pp", "USER me@127.0.0.1", "PASS pw"}},
        {fpcmUserSite, "", "", {"USER me@127.0.0.1", "PASS pw"}},
        {fpcmSite, "pu", "pp", {"USER pu", "PASS pp", "SITE 127.0.0.1", "USER me", "PASS pw"}},
        {fpcmOpen, "", "", {"OPEN 127.0.0.1", "USER me", "PASS pw"}},
        {fpcmUserPass, "pu", "pp", {"USER me@pu@127.0.0.1", "PASS pw@pp"}},
        {fpcmUserPass, "pu", "", {"USER me@pu@127.0.0.1", "PASS pw"}},
        {fpcmTransparent, "pu", "pp", {"USER pu", "PASS pp", "USER me", "PASS pw"}},
    };
    for (const ProxyCase& c : cases) {
        tavo::testing::ScriptedServer server;
        server.Send("220 proxy\r\n");
        for (const std::string& command : c.commands) {
            server.Expect(command);
            server.Send(command.rfind("USER", 0) == 0 ? "331 go on\r\n" : "230 ok\r\n");
        }
        server.Expect("TYPE I").Send("200 ok\r\n").Expect("SYST").Send("215 UNIX\r\n");
        server.Expect("FEAT").Send("211 No features\r\n");
        server.ExpectClosed();
        server.Start();
        TIdFTP ftp;
        ftp.Host = "127.0.0.1";
        ftp.Port = 1; // the proxy's address is used instead
        ftp.Username = "me";
        ftp.Password = "pw";
        ftp.ReadTimeout = 3000;
        ftp.ProxySettings.Host = "127.0.0.1";
        ftp.ProxySettings.UserName = c.proxyUser;
        ftp.ProxySettings.Password = c.proxyPassword;
        ftp.ProxySettings.ProxyType = c.type;
        ftp.ProxySettings.Port = server.Port();
        ftp.OpenSession();
        EXPECT_EQ(ftp.Port, 1); // remembered values come back
        ftp.DropSocket();
        server.WaitUntilFinished(5000);
        EXPECT_EQ(server.Failures(), std::vector<std::string>{}) << int(c.type);
    }
}

TEST_F(ScriptedSessionTest, HttpProxyTypeIsNotSupported) {
    server.Send("220 hi\r\n").ExpectClosed();
    server.Start();
    ftp.ProxySettings.ProxyType = fpcmHttpProxyWithFtp;
    try {
        ftp.OpenSession();
        FAIL();
    } catch (const EIdException& error) {
        EXPECT_STREQ(error.what(), "Command not supported.");
    }
}
