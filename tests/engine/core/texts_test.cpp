// The engine's texts are part of its contract: the control shows them to the user.

#include "engine/core/errors.h"
#include "engine/core/id_component.h"
#include "engine/core/id_intercept.h"
#include "engine/core/id_tcp_client.h"

#include <gtest/gtest.h>

namespace tavo::engine {
namespace {

TEST(EngineTexts, SocketErrorsByNumber) {
    EXPECT_STREQ(EIdSocketError(10061).what(), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_STREQ(EIdSocketError(10035).what(), "Socket Error # 10035\r\nOperation would block. ");
    EXPECT_STREQ(EIdSocketError(10066).what(), "Socket Error # 10066\r\nDirectory not empty");
    EXPECT_STREQ(EIdSocketError(12345).what(), "Socket Error # 12345\r\n");
    EXPECT_EQ(EIdSocketError(10054).LastError, 10054);
}

TEST(EngineTexts, StatusFormats) {
    EXPECT_EQ(StatusText(hsResolving, "LOCALHOST"), "Resolving hostname LOCALHOST.");
    EXPECT_EQ(StatusText(hsConnecting, "127.0.0.1"), "Connecting to 127.0.0.1.");
    EXPECT_EQ(StatusText(hsConnected, "ftp.example"), "Connected.");
    EXPECT_EQ(StatusText(hsDisconnecting, ""), "Disconnecting.");
    EXPECT_EQ(StatusText(hsDisconnected, ""), "Disconnected.");
    EXPECT_EQ(StatusText(ftpTransfer, "Starting FTP transfer"), "Starting FTP transfer");
}

TEST(EngineTexts, ErrorClassesAndMessages) {
    EXPECT_STREQ(EIdConnClosedGracefully().what(), "Connection Closed Gracefully.");
    EIdConnClosedGracefully closed;
    const EIdException& base = closed;
    EXPECT_NE(dynamic_cast<const EIdSilentException*>(&base), nullptr);
    EXPECT_STREQ(EIdNotConnected().what(), "Not Connected");
    EXPECT_STREQ(EIdClosedSocket().what(), "Disconnected.");
    EXPECT_STREQ(EIdCouldNotBindSocket().what(),
                 "Could not bind socket. Address and port are already in use.");
    EXPECT_STREQ(EIdStackInitializationFailed().what(), "Winsock Initialization Error.");
}

TEST(TraceHook, LogEventShowsBlocksWithLineEndsReplaced) {
    TIdLogEvent log;
    std::vector<std::string> seen;
    log.OnSent = [&](TIdLogEvent&, const std::string& time, const std::string& data) {
        EXPECT_FALSE(time.empty()); // LogTime defaults on
        seen.push_back(data);
    };
    std::string block = "USER a\r\nx\ry\n";
    log.Send(block);
    EXPECT_TRUE(seen.empty()); // inactive by default
    log.Active = true;
    log.Send(block);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "USER a<EOL>x<CR>y<LF>");
    log.ReplaceCRLF = false;
    log.Send(block);
    EXPECT_EQ(seen[1], block);
}

TEST(Addresses, DottedIPv4) {
    for (const char* yes : {"127.0.0.1", "0.0.0.0", "255.255.255.255"})
        EXPECT_TRUE(IsDottedIPv4(yes)) << yes;
    for (const char* no :
         {"256.0.0.1", "1.2.3", "1.2.3.4.5", "localhost", "1..2.3", "1.2.3.x", "", "1.2.3.4."})
        EXPECT_FALSE(IsDottedIPv4(no)) << no;
}

} // namespace
} // namespace tavo::engine
