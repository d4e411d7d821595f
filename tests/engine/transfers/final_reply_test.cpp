// How a transfer ends: the final reply (RFC 959 section 4.2: 226/250 done, 426/450 aborted and
// then a closing 226/225), a refused transfer command, and a data connection that ends early.

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/errors.h"

#include <gmock/gmock.h>

#include <tuple>

using namespace tavo::engine;
using namespace tavo::engine::transfers;

namespace {

struct FinalCase {
    const char* name;
    const char* replies; // what follows the data
    int errorCode;       // 0: no error
    bool aborted;        // "Transfer aborted" after "Transfer complete"
};

const FinalCase finalCases[] = {
    {"Done226", "226 Transfer complete.\r\n", 0, false},
    {"Done225", "225 Data connection open; no transfer in progress.\r\n", 0, false},
    {"Done250", "250 Requested file action okay, completed.\r\n", 0, false},
    // Without our ABOR a 426 or 450 is the server's word that the transfer failed.
    {"Aborted426Then226", "426 Connection closed; transfer aborted.\r\n226 Abort ok.\r\n", 426,
     true},
    {"Aborted450Then225", "450 File unavailable.\r\n225 Abort ok.\r\n", 450, true},
    {"Lone426", "426 Failure writing network stream.\r\n", 426, false},
    {"Aborted426Then250", "426 Connection closed.\r\n250 Hmm.\r\n", 250, false},
    {"LocalError451", "451 Requested action aborted: local error in processing.\r\n", 451, false},
    {"Odd200", "200 Whatever.\r\n", 200, false},
    {"Refused550AfterData", "550 Failed to open file.\r\n", 550, false},
};

class FinalReplies : public ScriptedTransferTest,
                     public ::testing::WithParamInterface<std::tuple<FinalCase, bool>> {};

TEST_P(FinalReplies, DecideTheOutcomeAfterAllData) {
    const FinalCase& c = std::get<0>(GetParam());
    const bool passive = std::get<1>(GetParam());
    const std::string data = PatternBytes(5000);
    ScriptLogin(server);
    ScriptDownload(server, passive, "RETR f.bin", data, c.replies);
    server.Expect("CWD /").Send("250 ok\r\n");
    Open(passive);
    TIdMemoryStream stream;
    if (c.errorCode == 0) {
        ftp.DownloadToStream("f.bin", stream, false);
    } else {
        try {
            ftp.DownloadToStream("f.bin", stream, false);
            FAIL() << "final reply " << c.errorCode << " passed as success";
        } catch (const EIdProtocolReplyError& error) {
            EXPECT_EQ(error.ReplyErrorCode, c.errorCode);
        }
    }
    EXPECT_EQ(stream.Bytes(), data) << "the data arrives whole before the final reply counts";
    Lines statuses = {"Starting FTP transfer", "Transfer complete"};
    if (c.aborted)
        statuses.push_back("Transfer aborted");
    EXPECT_EQ(log.Statuses(), statuses);
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    ftp.ChangeDirectory("/"); // the session reads the next reply as the next command's
}

INSTANTIATE_TEST_SUITE_P(Table, FinalReplies,
                         ::testing::Combine(::testing::ValuesIn(finalCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<FinalCase, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "Passive" : "Active");
                         });

class TransferEnds : public ScriptedTransferTest, public ::testing::WithParamInterface<bool> {
protected:
    bool passive() const { return GetParam(); }
};

// A refused RETR (a missing file) raises after the data connection is gone, and the session
// goes on.
TEST_P(TransferEnds, RefusedRetrRaisesAndSessionGoesOn) {
    ScriptLogin(server);
    ScriptDataOpen(server, passive())
        .Expect("RETR missing.bin")
        .Send("550 Failed to open file.\r\n");
    if (passive())
        server.ExpectDataClosed();
    server.Expect("CWD /").Send("250 Directory successfully changed.\r\n");
    Open(passive());
    TIdMemoryStream stream;
    try {
        ftp.DownloadToStream("missing.bin", stream, false);
        FAIL();
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 550);
        EXPECT_STREQ(error.what(), "Failed to open file.\r\n");
    }
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    EXPECT_EQ(log.Statuses(), (Lines{"Starting FTP transfer", "Transfer complete"}));
    EXPECT_EQ(log.Progress(), Lines{}) << "no data was read";
    ftp.ChangeDirectory("/");
    EXPECT_TRUE(ftp.IsConnected());
}

TEST_P(TransferEnds, BusyFile450OnRetr) {
    ScriptLogin(server);
    ScriptDataOpen(server, passive()).Expect("RETR busy.bin").Send("450 File busy.\r\n");
    if (passive())
        server.ExpectDataClosed();
    server.Expect("CWD /").Send("250 ok\r\n");
    Open(passive());
    TIdMemoryStream stream;
    try {
        ftp.DownloadToStream("busy.bin", stream, false);
        FAIL();
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 450);
    }
    ftp.ChangeDirectory("/");
}

TEST_P(TransferEnds, RefusedStorRaisesAndSessionGoesOn) {
    ScriptLogin(server);
    if (passive())
        server.Expect("PASV").ReplyPasv().Expect("STOR up.bin").AcceptData();
    else
        ScriptDataOpen(server, false).Expect("STOR up.bin");
    server.Send("553 Could not create file.\r\n");
    if (passive())
        server.ExpectDataClosed();
    server.Expect("CWD /").Send("250 ok\r\n");
    Open(passive());
    TIdMemoryStream stream("abc");
    try {
        ftp.UploadFromStream(stream, "up.bin", false);
        FAIL();
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 553);
    }
    EXPECT_EQ(log.Statuses(), (Lines{"Starting FTP transfer", "Transfer complete"}));
    ftp.ChangeDirectory("/");
}

// A data connection that ends before the file does, with the file's size unknown: the engine
// keeps what came, and the final reply decides between a quiet end and an error.
TEST_P(TransferEnds, DataConnectionClosingEarlyKeepsWhatCame) {
    const std::string part = PatternBytes(3000);
    ScriptLogin(server);
    ScriptDownload(server, passive(), "RETR one.bin", part,
                   "426 Connection closed; transfer aborted.\r\n226 Closing.\r\n");
    ScriptDownload(server, passive(), "RETR two.bin", part,
                   "451 Transfer aborted: read error.\r\n");
    ScriptDownload(server, passive(), "RETR three.bin", "", "226 Transfer complete.\r\n");
    Open(passive());
    TIdMemoryStream one;
    try {
        ftp.DownloadToStream("one.bin", one, false);
        FAIL() << "a 426 the client did not ask for passed as success";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 426);
        EXPECT_STREQ(error.what(), "Connection closed; transfer aborted.\r\n");
    }
    EXPECT_EQ(one.Bytes(), part);
    EXPECT_EQ(log.Statuses().back(), "Transfer aborted");
    TIdMemoryStream two;
    try {
        ftp.DownloadToStream("two.bin", two, false);
        FAIL() << "a 451 after a short file passed as success";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, 451);
    }
    EXPECT_EQ(two.Bytes(), part);
    TIdMemoryStream three;
    ftp.DownloadToStream("three.bin", three, false);
    EXPECT_EQ(three.Bytes(), "");
}

// The server drops the data connection in the middle of an upload (a full disk): the upload
// must fail, not report success.
TEST_P(TransferEnds, DataConnectionClosingDuringUploadFails) {
    ScriptLogin(server);
    if (passive())
        server.Expect("PASV").ReplyPasv().Expect("STOR full.bin").AcceptData();
    else
        ScriptDataOpen(server, false).Expect("STOR full.bin");
    server.Send("150 Ok to send data.\r\n");
    if (!passive())
        server.ConnectData();
    server.Pause(50).CloseData().Send("452 Insufficient storage space.\r\n");
    server.Expect("CWD /").Send("250 ok\r\n");
    Open(passive());
    ftp.SendBufferSize = 1024;
    TIdMemoryStream stream(PatternBytes(32 << 20));
    EXPECT_THROW(ftp.UploadFromStream(stream, "full.bin", false), EIdException);
    EXPECT_EQ(ftp.ActiveDataChannel(), nullptr);
    EXPECT_EQ(log.Statuses(), (Lines{"Starting FTP transfer", "Transfer complete"}));
    EXPECT_EQ(log.Progress().back(), "end write");
    ftp.ChangeDirectory("/"); // the 452 was read with the upload
}

// Takes `room` bytes, then fails as a full disk does.
class FullDiskStream : public TIdMemoryStream {
public:
    explicit FullDiskStream(std::size_t room) : room(room) {}
    void Write(const char* data, size_t count) override {
        if (static_cast<std::size_t>(Size()) + count > room)
            throw EIdException("Cannot write file \"full.bin\".");
        TIdMemoryStream::Write(data, count);
    }
    std::size_t room;
};

// A download that fails on our side still owes RETR's final reply: it is read with the
// failure, so the next command reads its own.
TEST_P(TransferEnds, FailedDownloadReadsItsFinalReply) {
    ScriptLogin(server);
    ScriptDataOpen(server, passive()).Expect("RETR f.bin").Send("150 Opening.\r\n");
    if (!passive())
        server.ConnectData();
    server.SendDataUntilClosed(PatternBytes(1 << 20))
        .Send("426 Failure writing network stream.\r\n")
        .Expect("CWD /")
        .Send("250 ok\r\n");
    Open(passive());
    FullDiskStream stream(4096);
    try {
        ftp.DownloadToStream("f.bin", stream, false);
        FAIL();
    } catch (const EIdException& error) {
        EXPECT_STREQ(error.what(), "Cannot write file \"full.bin\".");
    }
    ftp.ChangeDirectory("/");
    EXPECT_TRUE(ftp.IsConnected());
}

INSTANTIATE_TEST_SUITE_P(Modes, TransferEnds, ::testing::Bool(), ModeName);

} // namespace
