// Downloads, uploads and the progress line.

#include "tests/controller/controller_fixture.h"

#include "engine/platform/files.h"

#include <gmock/gmock.h>

#include <fstream>
#include <sstream>

namespace tavo::testing {
namespace {

using namespace controller;
using engine::wmRead;
using engine::wmWrite;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class ProgressTest : public ControllerTest {
protected:
    void SetUp() override { Make(); }
    engine::TIdComponent& Sender() { return *tavo->IdFTP1(); }
    std::string Step(engine::TWorkMode mode, int64_t count, double secondsLater) {
        now += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(secondsLater));
        view.ClearLog();
        tavo->IdFTP1Work(Sender(), mode, count);
        EXPECT_EQ(view.Log.at(0), "status:");
        return view.Log.at(1).substr(7);
    }
    const std::string remaining = "; RemainingTime\xA3\xBA ";
};

TEST_F(ProgressTest, SpeedAndRemainingTimeOnEveryStep) {
    tavo->IdFTP1WorkBegin(Sender(), wmWrite, 10 << 20);
    EXPECT_TRUE(tavo->TransferInProgress());
    EXPECT_EQ(view.Entries("max:"), Lines{"10485760"});
    EXPECT_EQ(Step(wmWrite, 0, 0), "Upload speed: 0,00 KB/s; ");
    EXPECT_EQ(Step(wmWrite, 1 << 20, 1), "Upload speed: 1024,00 KB/s" + remaining + " 0: 0: 9");
    EXPECT_EQ(view.Log.at(2), "pos:1048576");
    EXPECT_EQ(Step(wmWrite, 2 << 20, 1), "Upload speed: 1024,00 KB/s" + remaining + " 0: 0: 8");
    // The last step, with the whole count: nothing left.
    EXPECT_EQ(Step(wmWrite, 10 << 20, 8), "Upload speed: 1024,00 KB/s" + remaining + " 0: 0: 0");
    tavo->IdFTP1WorkEnd(Sender(), wmWrite);
    EXPECT_FALSE(tavo->TransferInProgress());
    EXPECT_EQ(Lines(view.Log.end() - 2, view.Log.end()),
              (Lines{"pos:0", "status:Transfer complete"}));
    EXPECT_EQ(Module().TransferRate, 0.0);
}

TEST_F(ProgressTest, FieldsArePaddedWithSpacesAndLongRunsDoNotWrap) {
    tavo->IdFTP1WorkBegin(Sender(), wmRead, 1024 + int64_t{3723} * 1024);
    EXPECT_EQ(Step(wmRead, 1024, 1), "Download speed: 1,00 KB/s" + remaining + " 1: 2: 3");
    // 70000 s: beyond 16 bits of seconds, and the rate stays exact.
    tavo->IdFTP1WorkBegin(Sender(), wmRead, int64_t{140000} * 1024);
    EXPECT_EQ(Step(wmRead, int64_t{70000} * 1024, 70000),
              "Download speed: 1,00 KB/s" + remaining + "19:26:40");
    // Past a whole day the days still count.
    tavo->IdFTP1WorkBegin(Sender(), wmRead, int64_t{200000} * 1024);
    EXPECT_EQ(Step(wmRead, int64_t{100000} * 1024, 100000),
              "Download speed: 1,00 KB/s" + remaining + "27:46:40");
}

TEST_F(ProgressTest, NoRemainingTimeWithoutAKnownTotalAheadAndLargeTotalsScale) {
    tavo->IdFTP1WorkBegin(Sender(), wmRead, 0); // a listing: no total
    EXPECT_EQ(view.Entries("max:"), Lines{"0"});
    EXPECT_EQ(Step(wmRead, 4096, 1), "Download speed: 4,00 KB/s; ");
    tavo->IdFTP1WorkBegin(Sender(), wmRead, 1000);
    EXPECT_EQ(Step(wmRead, 2000, 1), "Download speed: 1,95 KB/s; ");

    const int64_t fiveGiB = int64_t{5} << 30;
    view.ClearLog();
    tavo->IdFTP1WorkBegin(Sender(), wmRead, fiveGiB);
    const int top = std::stoi(view.Entries("max:").at(0));
    EXPECT_GT(top, 1 << 30);
    tavo->IdFTP1Work(Sender(), wmRead, fiveGiB);
    EXPECT_EQ(view.Entries("pos:"), Lines{std::to_string(top)});
}

TEST_F(ProgressTest, StatusTextsGoToTheTraceAndTheStatusBar) {
    for (const char* text :
         {"Transfer complete", "Starting FTP transfer", "Connected.", "xTransfer"})
        tavo->IdFTP1Status(Sender(), engine::hsStatusText, text);
    EXPECT_EQ(view.Entries("trace:"),
              (Lines{"Transfer complete", "Starting FTP transfer", "Connected.", "xTransfer"}));
    EXPECT_EQ(Lines(view.Log.end() - 7, view.Log.end()),
              (Lines{"status:Transfer complete", "trace:Starting FTP transfer",
                     "status:Starting FTP transfer", "trace:Connected.", "status:Connected.",
                     "trace:xTransfer", "status:Transfer complete"}));
}

class DownloadTest : public ControllerTest {
protected:
    void Start(const std::string& name) {
        Make();
        ScriptLogin(server);
        ScriptList(server, "/", "-rw-r--r-- 1 0 0 5 Dec 09  2024 " + name + "\r\n");
    }
    void Run(const std::string& name, const std::string& local) {
        Connect();
        view.Select(name);
        view.Choices.push_back(LocalPath(local));
        view.ClearLog();
        tavo->ListViewRemoteDblClick();
    }
};

TEST_F(DownloadTest, NewFile) {
    Start("a.txt");
    ScriptDownload(server, "a.txt", "hello");
    Run("a.txt", "a.txt");
    EXPECT_EQ(ReadFile(LocalPath("a.txt")), "hello");
    EXPECT_EQ(view.Log.at(0), "save:/desk|a.txt");
    EXPECT_EQ(view.Entries("max:"), Lines{"5"});
    EXPECT_EQ(view.Entries("box:"), Lines{});
    EXPECT_EQ(Lines(view.Log.end() - 3, view.Log.end()),
              (Lines{"status:Transfer complete", "rearm:1", "status:Done"}));
    Commands();
}

TEST_F(DownloadTest, ResumeAppendsTheMissingPart) {
    Start("a.txt");
    WriteFile(LocalPath("a.txt"), "hel");
    server.Expect("SIZE a.txt").Send("213 5\r\n").Expect("REST 1").Send("350 ok\r\n");
    server.Expect("REST 0").Send("350 ok\r\n").Expect("PASV").ReplyPasv();
    server.Expect("REST 3").Send("350 ok\r\n").Expect("RETR a.txt").AcceptData();
    server.Send("150 Sending\r\n").SendData("lo").CloseData().Send("226 Sent\r\n");
    view.Answers.push_back(mrYes);
    Run("a.txt", "a.txt");
    EXPECT_EQ(ReadFile(LocalPath("a.txt")), "hello");
    EXPECT_EQ(view.Entries("confirm:"),
              Lines{"This folder already contains a same name file ,cover [yes] or Again [no]?"});
    EXPECT_EQ(view.Entries("max:"), Lines{"2"});
    Commands();
}

TEST_F(DownloadTest, NoDownloadsAgainAndCancelDownloadsNothing) {
    Start("a.txt");
    WriteFile(LocalPath("a.txt"), "old contents");
    ScriptDownload(server, "a.txt", "hello");
    server.Expect("SIZE a.txt").Send("213 5\r\n");
    view.Answers.push_back(mrNo);
    Run("a.txt", "a.txt");
    EXPECT_EQ(ReadFile(LocalPath("a.txt")), "hello");

    view.Answers.push_back(mrCancel);
    view.Choices.push_back(LocalPath("a.txt"));
    view.ClearLog();
    tavo->ListViewRemoteDblClick();
    EXPECT_EQ(view.Entries("status:"), (Lines{"Transfer complete", "Transfer complete", "Done"}));
    EXPECT_EQ(Commands().back(), "SIZE a.txt");
}

TEST_F(DownloadTest, AServerNameCannotSteerTheSaveButIsAskedForAsGiven) {
    const std::string name = "..\\x:y*z?.txt";
    Start(name);
    ScriptDownload(server, name, "hello");
    Run(name, "safe.txt");
    EXPECT_EQ(view.Log.at(0), "save:/desk|.._x_y_z_.txt");
    EXPECT_EQ(ReadFile(LocalPath("safe.txt")), "hello");
    Commands();
}

// The engine's error carries the reply's text, which the user now sees.
TEST_F(DownloadTest, ARefusedRetrShowsTheServersReply) {
    Start("a.txt");
    server.Expect("SIZE a.txt").Send("550 No such file.\r\n").Expect("PASV").ReplyPasv();
    server.Expect("RETR a.txt").Send("550 Failed to open file.\r\n");
    Run("a.txt", "a.txt");
    EXPECT_EQ(view.Entries("box:"), Lines{"Failed to open file."});
    EXPECT_EQ(view.Entries("max:"), Lines{});
    Commands();
}

// A server that accepts REST and sends the file from its start: an error, and the local part
// stays as it was.
TEST_F(DownloadTest, AnIgnoredRestIsAnErrorAndKeepsTheLocalPart) {
    Start("a.txt");
    WriteFile(LocalPath("a.txt"), "hel");
    server.Expect("SIZE a.txt").Send("213 5\r\n").Expect("REST 1").Send("350 ok\r\n");
    server.Expect("REST 0").Send("350 ok\r\n").Expect("PASV").ReplyPasv();
    server.Expect("REST 3").Send("350 ok\r\n").Expect("RETR a.txt").AcceptData();
    server.Send("150 Sending\r\n").SendDataUntilClosed("hello").CloseData();
    server.Send("226 Sent\r\n");
    view.Answers.push_back(mrYes);
    Run("a.txt", "a.txt");
    EXPECT_EQ(ReadFile(LocalPath("a.txt")), "hel");
    EXPECT_EQ(view.Entries("box:"), Lines{"The server sent more than the file's 5 bytes; it may "
                                          "have ignored the restart position."});
    EXPECT_EQ(view.ConnectCaption, "Disconnect");
    Commands();
}

// The final reply of a failed transfer never comes: the session is dropped, and the button and
// the status say so at once.
TEST_F(DownloadTest, ADroppedSessionShowsTheDisconnectedState) {
    Start("a.txt");
    server.Expect("SIZE a.txt").Send("213 5\r\n").Expect("PASV").ReplyPasv();
    server.Expect("RETR a.txt").AcceptData().Send("150 Sending\r\n").SendData("he");
    server.ExpectClosed();
    tavo->IdFTP1()->DataStallTimeout = 200;
    tavo->IdFTP1()->PendingReplyTimeout = 200;
    Run("a.txt", "a.txt");
    EXPECT_EQ(view.Entries("box:"), Lines{"The data connection moved no data for 0.2 seconds."});
    EXPECT_EQ(view.ConnectCaption, "Connect");
    EXPECT_EQ(Lines(view.Log.end() - 4, view.Log.end()),
              (Lines{"rearm:1", "status:Done", "connect:Connect|Connect to server",
                     "status:Disconnected."}));
    EXPECT_FALSE(platform::FileExists(LocalPath("a.txt")));
    Commands();
}

class UploadTest : public ControllerTest {};

TEST_F(UploadTest, StoresUnderTheNameWithoutSpacesAndRefreshes) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", "");
    server.Expect("PASV").ReplyPasv().Expect("STOR myfile1.txt").AcceptData();
    server.Send("150 Go\r\n").ReceiveDataToEnd().Send("226 Stored\r\n");
    server.Expect("PWD").Send("257 \"/\"\r\n");
    ScriptListing(server, "-rw-r--r-- 1 0 0 7 Dec 09  2024 myfile1.txt\r\n");
    // A refusal the outcome check knows, and one it does not.
    server.Expect("PASV").ReplyPasv().Expect("STOR myfile1.txt").Send("552 Quota exceeded\r\n");
    server.Expect("PASV").ReplyPasv().Expect("STOR myfile1.txt").Send("553 Not allowed.\r\n");
    Connect();
    WriteFile(LocalPath("my file 1.txt"), "payload");
    for (int i = 0; i < 3; ++i)
        view.Choices.push_back(LocalPath("my file 1.txt"));
    view.ClearLog();
    tavo->UploadButtonClick();
    EXPECT_EQ(view.Log.at(0), "open:/desk");
    EXPECT_EQ(view.RowNames(), (Lines{"..", "myfile1.txt"}));
    EXPECT_EQ(server.ReceivedData(), "payload");
    tavo->UploadButtonClick();
    tavo->UploadButtonClick();
    EXPECT_EQ(view.Entries("box:"), (Lines{"Warning: Quotasize exceeded", "Not allowed."}));
    EXPECT_EQ(view.Entries("rearm:"), Lines(3, "0"));
    Commands();
}

TEST_F(UploadTest, CommandsStartedDuringATransferAreRefused) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", OneFileListing);
    server.Expect("PASV").ReplyPasv().Expect("STOR big.bin").AcceptData();
    server.Send("150 Go\r\n").ReceiveDataToEnd().Send("226 Stored\r\n");
    server.Expect("PWD").Send("257 \"/\"\r\n");
    ScriptListing(server, OneFileListing);
    Connect();
    WriteFile(LocalPath("big.bin"), std::string(1 << 20, 'b'));
    view.Choices.push_back(LocalPath("big.bin"));
    view.Select("a.txt");
    bool fired = false;
    size_t statusesBefore = 0;
    PumpHook hook([&] {
        if (fired || !tavo->TransferInProgress() || view.Entries("pos:").size() < 3)
            return;
        fired = true;
        statusesBefore = view.Entries("status:").size();
        tavo->DeleteButtonClick();
        tavo->UploadButtonClick();
        tavo->ListViewRemoteDblClick();
        tavo->BackButtonClick();
        tavo->CreateDirButtonClick();
        tavo->DelDir();
        tavo->N3Click();
        tavo->AddShareFile();
        EXPECT_EQ(view.Entries("status:").size(), statusesBefore);
    });
    view.ClearLog();
    tavo->UploadButtonClick();
    ASSERT_TRUE(fired);
    EXPECT_EQ(view.Entries("box:"), Lines(8, "Warning: The file is transfering ,please wait"));
    EXPECT_EQ(server.ReceivedData().size(), 1u << 20);
    Commands();
}

TEST_F(UploadTest, ACommandStartedWhileAnotherWaitsIsRefused) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", OneFileListing);
    server.Expect("CWD ..").Pause(300).Send("250 ok\r\n").Expect("PWD").Send("257 \"/\"\r\n");
    ScriptList(server, "/", OneFileListing);
    Connect();
    bool fired = false;
    PumpHook hook([&] {
        if (!fired) {
            fired = true;
            // These need no connection: they run, with their exit status.
            tavo->DelShareFile();
            tavo->bsSkinSpeedButton9Click();
            tavo->UploadButtonClick();
        }
    });
    view.ClearLog();
    tavo->BackButtonClick();
    EXPECT_EQ(view.Entries("box:"), (Lines{"Warning: Please choose a file",
                                           "Warning: The file is transfering ,please wait"}));
    EXPECT_EQ(view.Entries("status:Done").size(), 3u);
    Commands();
}

} // namespace
} // namespace tavo::testing
