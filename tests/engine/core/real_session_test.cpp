// Log-in and the one-command operations against real servers.

#include "engine/core/errors.h"
#include "engine/ftp/id_ftp.h"
#include "tests/support/real_servers.h"

#include <gtest/gtest.h>

using namespace tavo::engine;
using tavo::testing::RealServer;

namespace {

void Connect(TIdFTP& ftp, const RealServer& server) {
    ftp.Host = server.Host;
    ftp.Port = server.Port;
    ftp.Username = server.User;
    ftp.Password = server.Password;
    ftp.ReadTimeout = 10000;
    ftp.OpenSession();
}

void RoundOfCommands(const RealServer& server, const std::string& writable) {
    TIdFTP ftp;
    Connect(ftp, server);
    EXPECT_EQ(ftp.LoginReply.NumericCode, 230);
    EXPECT_FALSE(ftp.SystemDescription.empty());
    // The session starts in the served tree, which both servers name "/".
    const std::string home = ftp.QueryCurrentDirectory();
    EXPECT_EQ(home, "/");
    EXPECT_EQ(ftp.RemoteFileSize("small.txt"), 27);
    EXPECT_EQ(ftp.RemoteFileSize("no-such-file"), -1);
    EXPECT_THROW(ftp.ChangeDirectory("no-such-dir"), EIdProtocolReplyError);
    ftp.ChangeDirectory(writable);
    const std::string name = "made by " + server.Name;
    try {
        ftp.DeleteDirectory(name + " renamed"); // left over from an interrupted run
    } catch (const EIdProtocolReplyError&) {
    }
    ftp.CreateDirectory(name);
    ftp.RenameEntry(name, name + " renamed");
    EXPECT_THROW(ftp.DeleteRemoteFile("no-such-file"), EIdProtocolReplyError);
    ftp.DeleteDirectory(name + " renamed");
    ftp.ChangeDirectory("..");
    EXPECT_EQ(ftp.QueryCurrentDirectory(), home);
    EXPECT_TRUE(ftp.ProbeResume());
    ftp.CloseSession();
    EXPECT_FALSE(ftp.IsConnected());
}

} // namespace

TEST(RealServers, VsftpdAnonymousSession) {
    TAVO_REAL_SERVER_OR_SKIP(server, tavo::testing::FindVsftpd());
    RoundOfCommands(server, "incoming");
}

TEST(RealServers, PyftpdlibSessionWithPassword) {
    TAVO_REAL_SERVER_OR_SKIP(server, tavo::testing::FindPyftpd());
    RoundOfCommands(server, "incoming");
    TIdFTP ftp;
    RealServer wrong = server;
    wrong.Password = "not the password";
    try {
        Connect(ftp, wrong);
        FAIL();
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 530);
    }
    EXPECT_FALSE(ftp.IsConnected());
}
