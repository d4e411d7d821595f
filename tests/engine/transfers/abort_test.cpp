// Stopping a running transfer the way the user does: a handler that runs inside the engine's
// wait (the message pump, or a progress event) calls AbortTransfer, and the control follows it
// with CloseSession. The transfer then finds its data connection dead and ends as described
// for each kind.

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/errors.h"
#include "engine/ftp/id_simple_server.h"

#include <gmock/gmock.h>

#include <chrono>
#include <memory>
#include <tuple>

using namespace tavo::engine;
using namespace tavo::engine::transfers;
using ::testing::AnyOf;
using ::testing::StrEq;

namespace {

enum class Trigger { Pump, WorkEvent };

constexpr std::size_t BigBytes = 8 << 20;
constexpr int64_t AbortAfter = 64 << 10;
const char* const AbortReplies = "426 Connection closed; transfer aborted.\r\n"
                                 "226 Abort successful.\r\n";

class AbortTransfer : public ScriptedTransferTest,
                      public ::testing::WithParamInterface<std::tuple<bool, Trigger>> {
protected:
    bool passive() const { return std::get<0>(GetParam()); }
    Trigger trigger() const { return std::get<1>(GetParam()); }

    // Aborts once `AbortAfter` bytes have moved; with `thenClose` also closes the session, as
    // the control does.
    void ArmAbort(bool thenClose) {
        auto act = [this, thenClose] {
            if (aborts > 0 || log.lastWorkCount < AbortAfter)
                return;
            ++aborts;
            ftp.AbortTransfer();
            if (thenClose)
                ftp.CloseSession();
        };
        if (trigger() == Trigger::Pump) {
            pump = std::make_unique<PumpHook>(act);
        } else {
            auto logged = ftp.OnWork;
            ftp.OnWork = [logged, act](TIdComponent& sender, TWorkMode mode, int64_t count) {
                logged(sender, mode, count);
                act();
            };
        }
    }

    // The transfer command answered and the data connection made.
    void ScriptTransferStart(const std::string& command) {
        if (passive() && command.rfind("STOR", 0) == 0)
            server.Expect("PASV").ReplyPasv().Expect(command).AcceptData();
        else
            ScriptDataOpen(server, passive()).Expect(command);
        server.Send("150 Ok.\r\n");
        if (!passive())
            server.ConnectData();
    }

    Lines TransferCommands() {
        Lines commands;
        for (const auto& command : Commands())
            if (command != "PASV" && command.rfind("PORT ", 0) != 0)
                commands.push_back(command);
        return commands;
    }

    int aborts = 0;
    std::unique_ptr<PumpHook> pump;
};

// The download keeps what it received, reads the server's 426 and 226, and returns quietly.
TEST_P(AbortTransfer, DownloadEndsQuietlyAndSessionGoesOn) {
    ScriptLogin(server);
    ScriptTransferStart("RETR big.bin");
    server.SendDataUntilClosed(PatternBytes(BigBytes))
        .Expect("ABOR")
        .Send(AbortReplies)
        .Expect("CWD /")
        .Send("250 ok\r\n");
    Open(passive());
    ftp.RecvBufferSize = 2048;
    ArmAbort(false);
    TIdMemoryStream stream;
    // The file's size is known, yet the user's stop is no early end.
    ftp.DownloadToStream("big.bin", stream, false, BigBytes);
    EXPECT_EQ(aborts, 1);
    EXPECT_GE(stream.Size(), AbortAfter);
    EXPECT_LT(stream.Size(), static_cast<int64_t>(BigBytes));
    EXPECT_EQ(stream.Bytes(), PatternBytes(BigBytes).substr(0, stream.Bytes().size()));
    EXPECT_EQ(log.Statuses(),
              (Lines{"Starting FTP transfer", "Transfer complete", "Transfer aborted"}));
    EXPECT_EQ(log.Progress().back(), "end read");
    ftp.ChangeDirectory("/");
    EXPECT_EQ(TransferCommands(), (Lines{"RETR big.bin", "ABOR", "CWD /"}));
}

TEST_P(AbortTransfer, ListingEndsQuietlyWithTheLinesSoFar) {
    std::string text;
    int total = 0;
    while (text.size() < BigBytes) {
        text += "-rw-r--r--    1 0 0 100 Dec 09 04:56 file" + std::to_string(total++) + "\r\n";
    }
    ScriptLogin(server);
    ScriptTransferStart("LIST");
    server.SendDataUntilClosed(text)
        .Expect("ABOR")
        .Send(AbortReplies)
        .Expect("CWD /")
        .Send("250 ok\r\n");
    Open(passive());
    ftp.RecvBufferSize = 2048;
    ArmAbort(false);
    ftp.FetchListing(nullptr, "", true);
    EXPECT_EQ(aborts, 1);
    EXPECT_GT(ftp.ListingLines.size(), 100u);
    EXPECT_LT(ftp.ListingLines.size(), static_cast<std::size_t>(total));
    EXPECT_EQ(ftp.ListingLines.front(), "-rw-r--r--    1 0 0 100 Dec 09 04:56 file0");
    EXPECT_EQ(log.Statuses(),
              (Lines{"Starting FTP transfer", "Transfer complete", "Transfer aborted"}));
    ftp.ChangeDirectory("/");
    EXPECT_EQ(TransferCommands(), (Lines{"LIST", "ABOR", "CWD /"}));
}

// The upload's next send fails; the server's replies to the transfer and to ABOR are read
// with it, so the next command reads its own reply.
TEST_P(AbortTransfer, UploadFailsAndConsumesBothReplies) {
    ScriptLogin(server);
    ScriptTransferStart("STOR big.bin");
    server.ReceiveDataToEnd().Expect("ABOR").Send(AbortReplies).Expect("CWD /").Send("250 ok\r\n");
    Open(passive());
    ftp.SendBufferSize = 1024;
    ArmAbort(false);
    TIdMemoryStream stream(PatternBytes(BigBytes));
    try {
        ftp.UploadFromStream(stream, "big.bin", false);
        FAIL() << "an aborted upload passed as success";
    } catch (const EIdException& error) {
        EXPECT_THAT(error.what(),
                    AnyOf(StrEq("Connection Closed Gracefully."), StrEq("Disconnected.")));
    }
    EXPECT_EQ(aborts, 1);
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    EXPECT_EQ(log.Statuses(), (Lines{"Starting FTP transfer", "Transfer complete"}));
    EXPECT_EQ(log.Progress().back(), "end write");
    ftp.ChangeDirectory("/");
    EXPECT_TRUE(ftp.IsConnected());
    const std::string received = server.ReceivedData();
    EXPECT_GE(static_cast<int64_t>(received.size()), AbortAfter);
    EXPECT_LT(received.size(), BigBytes);
    EXPECT_EQ(TransferCommands(), (Lines{"STOR big.bin", "ABOR", "CWD /"}));
}

// The control's way: ABOR, then QUIT at once. The download's data part ends normally, and
// reading the final reply finds the session closed.
TEST_P(AbortTransfer, DownloadThenCloseSessionFailsNotConnected) {
    ScriptLogin(server);
    ScriptTransferStart("RETR big.bin");
    server.SendDataUntilClosed(PatternBytes(BigBytes)).Expect("ABOR").Expect("QUIT").ExpectClosed();
    Open(passive());
    ftp.RecvBufferSize = 2048;
    ArmAbort(true);
    TIdMemoryStream stream;
    try {
        ftp.DownloadToStream("big.bin", stream, false);
        FAIL();
    } catch (const EIdNotConnected& error) {
        EXPECT_STREQ(error.what(), "Not Connected");
    }
    EXPECT_GE(stream.Size(), AbortAfter);
    EXPECT_EQ(log.Statuses(), (Lines{"Starting FTP transfer", "Disconnecting.", "Disconnected.",
                                     "Transfer complete"}));
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(TransferCommands(), (Lines{"RETR big.bin", "ABOR", "QUIT"}));
}

TEST_P(AbortTransfer, UploadThenCloseSessionFails) {
    ScriptLogin(server);
    ScriptTransferStart("STOR big.bin");
    server.ReceiveDataToEnd().Expect("ABOR").Expect("QUIT").ExpectClosed();
    Open(passive());
    ftp.SendBufferSize = 1024;
    ArmAbort(true);
    TIdMemoryStream stream(PatternBytes(BigBytes));
    try {
        ftp.UploadFromStream(stream, "big.bin", false);
        FAIL();
    } catch (const EIdException& error) {
        EXPECT_THAT(error.what(),
                    AnyOf(StrEq("Connection Closed Gracefully."), StrEq("Disconnected.")));
    }
    EXPECT_EQ(log.Statuses().back(), "Transfer complete");
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(TransferCommands(), (Lines{"STOR big.bin", "ABOR", "QUIT"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, AbortTransfer,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(Trigger::Pump, Trigger::WorkEvent)),
                         [](const ::testing::TestParamInfo<std::tuple<bool, Trigger>>& info) {
                             return std::string(std::get<0>(info.param) ? "Passive" : "Active") +
                                    (std::get<1>(info.param) == Trigger::Pump ? "FromPump"
                                                                              : "FromWorkEvent");
                         });

// An abort while the listener waits for the server's data connection ends the wait at once.
class AbortWhileAccepting : public ScriptedTransferTest,
                            public ::testing::WithParamInterface<bool> {};

TEST_P(AbortWhileAccepting, EndsTheWaitWithConnectionClosed) {
    const bool upload = GetParam();
    const std::string command = upload ? "STOR up.bin" : "RETR down.bin";
    ScriptLogin(server)
        .ExpectPrefix("PORT 127,0,0,1,")
        .Send("200 PORT command successful.\r\n")
        .Expect(command)
        .Send("150 Ok.\r\n")
        .Expect("ABOR")
        .Send("425 No data connection.\r\n226 Abort successful.\r\n")
        .Expect("CWD /")
        .Send("250 ok\r\n");
    Open(false);
    ftp.DataAcceptTimeout = 20000; // the abort, not the limit, must end the wait
    int aborts = 0;
    PumpHook pump(
        [&] {
            auto* listener = dynamic_cast<TIdSimpleServer*>(ftp.ActiveDataChannel());
            if (aborts == 0 && listener != nullptr && listener->Listening() &&
                ftp.LastReply.NumericCode == 150) {
                ++aborts;
                ftp.AbortTransfer();
            }
        },
        true);
    const auto started = std::chrono::steady_clock::now();
    TIdMemoryStream stream("abc");
    try {
        if (upload)
            ftp.UploadFromStream(stream, "up.bin", false);
        else
            ftp.DownloadToStream("down.bin", stream, false);
        FAIL();
    } catch (const EIdConnClosedGracefully& error) {
        EXPECT_STREQ(error.what(), "Connection Closed Gracefully.");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(aborts, 1);
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    EXPECT_EQ(log.Statuses(), (Lines{"Starting FTP transfer", "Transfer complete"}));
    ftp.ChangeDirectory("/"); // the transfer's and ABOR's replies were read with it
}

INSTANTIATE_TEST_SUITE_P(Kinds, AbortWhileAccepting, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Upload" : "Download");
                         });

} // namespace
