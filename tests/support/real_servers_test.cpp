// The real servers of a test run, reached with a bare socket client: they run, they serve the
// test tree, log-ins work as documented, and the roots are readable by this program (under
// Wine through drive Z:).

#include "tests/support/raw_client.h"
#include "tests/support/real_servers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tavo::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr int Wait = 10000;

// Just enough FTP to check the servers.
class MiniFtp {
public:
    explicit MiniFtp(const RealServer& server) : server(server) {
        EXPECT_EQ(control.Connect(server.Host, server.Port), 0);
        greeting = control.ReadReply(Wait);
    }

    std::string Command(const std::string& line) {
        control.Send(line + "\r\n");
        return control.ReadReply(Wait);
    }

    bool LogIn(const std::string& password) {
        std::string reply = Command("USER " + server.User);
        if (reply.rfind("331", 0) == 0)
            reply = Command("PASS " + password);
        return reply.rfind("230", 0) == 0;
    }

    // A passive data connection for the command; the final reply lands in `final`.
    std::string Download(const std::string& command, std::string& final) {
        RawClient data;
        if (!OpenData(data))
            return "";
        std::string start = Command(command);
        if (start.rfind("150", 0) != 0 && start.rfind("125", 0) != 0) {
            final = start;
            return "";
        }
        std::string bytes = data.ReadToEnd(Wait);
        final = control.ReadReply(Wait);
        return bytes;
    }

    std::string Upload(const std::string& command, const std::string& bytes) {
        RawClient data;
        if (!OpenData(data))
            return "";
        std::string start = Command(command);
        if (start.rfind("150", 0) != 0 && start.rfind("125", 0) != 0)
            return start;
        data.Send(bytes);
        data.Close();
        return control.ReadReply(Wait);
    }

    std::string greeting;

private:
    bool OpenData(RawClient& data) {
        std::string ip;
        int port = 0;
        std::string reply = Command("PASV");
        if (!ParsePasvReply(reply, ip, port)) {
            ADD_FAILURE() << "PASV: " << reply;
            return false;
        }
        return data.Connect(server.Host, port) == 0;
    }

    const RealServer& server;
    RawClient control;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string ReadLocal(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string UniqueName(const char* stem) {
    std::random_device device;
    return std::string(stem) + "-" + std::to_string(device()) + ".bin";
}

TEST_F(VsftpdTest, LogsInAnonymouslyAndListsTheTree) {
    MiniFtp ftp(server);
    EXPECT_THAT(ftp.greeting, StartsWith("220 "));
    ASSERT_TRUE(ftp.LogIn(server.Password));
    EXPECT_THAT(ftp.Command("SYST"), StartsWith("215 UNIX"));

    std::string final;
    auto names = Lines(ftp.Download("NLST", final));
    EXPECT_THAT(final, StartsWith("226"));
    for (const char* name :
         {TreeNames::SmallText, TreeNames::SpacedName, TreeNames::EmptyFile, TreeNames::MediumFile,
          TreeNames::BigFile, TreeNames::EmptyDir, TreeNames::Symlink, TreeNames::ManyDir,
          TreeNames::SubDir, TreeNames::Writable})
        EXPECT_THAT(names, Contains(name));

    auto many = Lines(ftp.Download(std::string("NLST ") + TreeNames::ManyDir, final));
    EXPECT_EQ(many.size(), static_cast<std::size_t>(TreeNames::ManyCount));
    EXPECT_THAT(ftp.Command("SIZE big.bin"), StartsWith("213 " + std::to_string(BigFileBytes())));
}

// A client that starts at "/" must find the tree there, wherever the test run put it.
TEST_F(VsftpdTest, ConfinesTheSessionToItsTree) {
    MiniFtp ftp(server);
    ASSERT_TRUE(ftp.LogIn(server.Password));
    EXPECT_THAT(ftp.Command("CWD /.."), StartsWith("250"));
    EXPECT_THAT(ftp.Command("PWD"), StartsWith("257 \"/\""));
    std::string final;
    EXPECT_THAT(Lines(ftp.Download("NLST", final)), Contains(TreeNames::Writable));
}

TEST_F(VsftpdTest, AcceptsUploadsInTheWritableFolder) {
    MiniFtp ftp(server);
    ASSERT_TRUE(ftp.LogIn(server.Password));
    const std::string bytes = "uploaded by a test\r\n";
    const std::string name = UniqueName("support");

    EXPECT_THAT(ftp.Upload("STOR incoming/" + name, bytes), StartsWith("226"));
    EXPECT_EQ(ReadLocal(server.LocalPath("incoming/" + name)), bytes);
    EXPECT_THAT(ftp.Command("DELE incoming/" + name), StartsWith("250"));
}

TEST_F(PyftpdTest, LogsInWithThePasswordOnly) {
    {
        MiniFtp ftp(server);
        EXPECT_THAT(ftp.greeting, StartsWith("220"));
        EXPECT_FALSE(ftp.LogIn(server.Password + "-wrong"));
    }
    MiniFtp ftp(server);
    ASSERT_TRUE(ftp.LogIn(server.Password));
    EXPECT_THAT(ftp.Command("TYPE I"), StartsWith("200"));
    EXPECT_THAT(ftp.Command("SIZE big.bin"), StartsWith("213 " + std::to_string(BigFileBytes())));
    std::string final;
    EXPECT_EQ(ftp.Download("RETR small.txt", final), ReadLocal(server.LocalPath("small.txt")));
    EXPECT_THAT(final, StartsWith("226"));
}

TEST_F(PyftpdTest, WritesAnywhereBelowItsRoot) {
    MiniFtp ftp(server);
    ASSERT_TRUE(ftp.LogIn(server.Password));
    const std::string name = UniqueName("support");
    EXPECT_THAT(ftp.Upload("STOR " + name, "x"), StartsWith("226"));
    EXPECT_EQ(ReadLocal(server.LocalPath(name)), "x");
    EXPECT_THAT(ftp.Command("DELE " + name), StartsWith("250"));
}

TEST(RealServersTest, RootsAreReadableLocally) {
    for (const auto& lookup : {FindVsftpd(), FindPyftpd()}) {
        if (!lookup.Server)
            GTEST_SKIP() << lookup.Missing;
        const RealServer& server = *lookup.Server;
        SCOPED_TRACE(server.Name + " at " + server.Root);
        EXPECT_EQ(ReadLocal(server.LocalPath(TreeNames::SmallText)),
                  "Hello from the test tree.\r\n");
        EXPECT_EQ(ReadLocal(server.LocalPath("sub/nested.txt")), "nested\n");
        std::ifstream big(server.LocalPath(TreeNames::BigFile), std::ios::binary | std::ios::ate);
        EXPECT_EQ(static_cast<std::int64_t>(big.tellg()), BigFileBytes());
    }
}

} // namespace
} // namespace tavo::testing
