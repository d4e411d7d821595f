// Creation, login and the connect toggle's state table, against the scripted server.

#include "tests/controller/controller_fixture.h"

#include "controller/trace_text.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <fstream>

namespace tavo::testing {
namespace {

using namespace controller;
using ::testing::Contains;
using ::testing::Not;

class SessionTest : public ControllerTest {};

TEST_F(SessionTest, FormCreateResetsTheLoginAndLaysTheFormOut) {
    Module().LoginHost = "old";
    Module().LoginPort = 2121;
    Make(ChineseCatalogue());
    EXPECT_EQ(view.Log, (Lines{"place-progress", "connect-enabled:1", "share-check-enabled:1",
                               "status:" + ChineseCatalogue().StatusReady,
                               "share-panel:0|500,180,180,49,28", "trace-panel:0"}));
    EXPECT_EQ(Module().LoginHost, "");
    EXPECT_EQ(Module().LoginPort, 21);
    EXPECT_EQ(tavo->IdFTP1()->Intercept, &tavo->IdLogEvent1());
    EXPECT_EQ(tavo->IdFTP1()->RecvBufferSize, 2048);
    EXPECT_EQ(tavo->IdFTP1()->SendBufferSize, 1024);
    EXPECT_EQ(tavo->IdAntiFreeze1().IdleTimeOut, 1600);
    EXPECT_FALSE(tavo->IdAntiFreeze1().OnlyWhenIdle);
}

TEST_F(SessionTest, SetLoginConnectsListsAndThePressDisconnects) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", OneFileListing);
    server.Expect("QUIT");
    Connect();
    EXPECT_EQ(Module().LoginPassword, "p");
    EXPECT_EQ(view.ConnectCaption, "Disconnect");
    EXPECT_EQ(view.RowNames(), (Lines{"..", "a.txt"}));
    EXPECT_EQ(view.Entries("status:").back(), "Transfer complete");
    // The password block leaves no line; every other block does.
    EXPECT_THAT(view.Entries("trace:"), Contains("->> USER u"));
    EXPECT_THAT(view.Entries("trace:"), Contains("<<- 230 In"));
    EXPECT_THAT(view.Entries("trace:"), Not(Contains(::testing::HasSubstr("PASS"))));

    view.ClearLog();
    tavo->ConnectButtonClick();
    EXPECT_EQ(Commands(), (Lines{"USER u", "PASS p", "TYPE I", "SYST", "FEAT", "CWD /", "PASV",
                                 "LIST", "QUIT"}));
    EXPECT_EQ(view.Entries("connect:"), Lines{"Connect|Connect to server"});
    EXPECT_EQ(view.Entries("status:").back(), "Transfer complete");
}

TEST_F(SessionTest, SetLoginOnAConnectedControlDisconnectsAndTheNextConnectsWithNewValues) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", "");
    server.Expect("QUIT").AcceptControl().Send("220 Again\r\n").Expect("USER v");
    server.Send("230 In\r\n").Expect("TYPE I").Send("200 ok\r\n").Expect("SYST");
    server.Send("215 UNIX\r\n").Expect("FEAT").Send("502 Command not implemented\r\n");
    ScriptList(server, "/", "");
    Connect();
    tavo->Set_Login(server.Host(), "v", server.Port(), "cQ==");
    EXPECT_EQ(view.ConnectCaption, "Connect");
    EXPECT_EQ(Module().LoginUser, "v");
    EXPECT_EQ(Module().LoginPassword, "q");
    tavo->Set_Login(server.Host(), "v", server.Port(), "cQ==");
    EXPECT_EQ(view.ConnectCaption, "Disconnect");
    EXPECT_EQ(Commands(),
              (Lines{"USER u", "PASS p", "TYPE I", "SYST", "FEAT", "CWD /", "PASV", "LIST", "QUIT",
                     "USER v", "TYPE I", "SYST", "FEAT", "CWD /", "PASV", "LIST"}));
}

TEST_F(SessionTest, AFailedConnectShowsTwoMessagesAndStaysDisconnected) {
    int refusedPort;
    {
        ScriptedServer closed;
        refusedPort = closed.Port();
    }
    Make(ChineseCatalogue());
    tavo->Set_Login("127.0.0.1", "u", refusedPort, "cA==");
    EXPECT_EQ(view.Entries("box:"), (Lines{cat->MsgConnectFailed, cat->MsgListNetworkError}));
    EXPECT_EQ(view.ConnectCaption, cat->CaptionConnect);
    EXPECT_EQ(view.RowNames(), Lines{".."});
}

TEST_F(SessionTest, AfterTheServerDropsTheConnectionOnePressOnlyResetsTheCaption) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", "");
    server.Mark("listed").CloseControl();
    Connect();
    ASSERT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(view.ConnectCaption, "Disconnect");
    view.ClearLog();
    tavo->ConnectButtonClick();
    EXPECT_EQ(view.ConnectCaption, "Connect");
    EXPECT_EQ(view.Entries("status:").back(), "Transfer complete");
    EXPECT_EQ(view.Entries("box:"), Lines{});
    EXPECT_EQ(Commands().back(), "LIST");
}

TEST_F(SessionTest, ConnectCaptionOnAnOpenSessionOnlyCatchesUp) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", OneFileListing);
    Connect();
    view.ConnectCaption = "Connect";
    view.ClearLog();
    tavo->ConnectButtonClick();
    EXPECT_EQ(view.Log, (Lines{"dir:/", "connect:Disconnect|Disconnected from server",
                               "status:Transfer complete"}));
    Commands();
}

// A download runs; from inside its wait the user presses the connect button.
class AbortTest : public ControllerTest {
protected:
    // The script up to the RETR's 150 reply, then the tail.
    void StartDownload(const std::function<void()>& tail) {
        Make();
        ScriptLogin(server);
        ScriptList(server, "/", "-rw-r--r-- 1 0 0 4194304 Dec 09 04:56 big.bin\r\n");
        server.Expect("SIZE big.bin").Send("213 4194304\r\n").Expect("PASV").ReplyPasv();
        server.Expect("RETR big.bin").AcceptData().Send("150 Sending\r\n");
        tail();
        Connect();
        view.Select("big.bin");
        view.Choices.push_back(LocalPath("big.bin"));
    }
    // Runs the action once, at the fifth progress step of the transfer.
    std::unique_ptr<PumpHook> AtFifthStep(std::function<void()> action) {
        return std::make_unique<PumpHook>([this, action] {
            if (!fired && tavo->TransferInProgress() && view.Entries("pos:").size() >= 5) {
                fired = true;
                action();
            }
        });
    }
    bool fired = false;
};

TEST_F(AbortTest, YesSendsAborThenQuitAndTheDownloadReportsItsFailure) {
    StartDownload([this] {
        server.SendDataUntilClosed(std::string(4194304, 'x')).Expect("ABOR").Expect("QUIT");
    });
    auto hook = AtFifthStep([this] {
        view.Answers.push_back(mrYes);
        tavo->ConnectButtonClick();
        EXPECT_FALSE(tavo->TransferInProgress());
    });
    tavo->ListViewRemoteDblClick();
    EXPECT_EQ(Commands(), (Lines{"USER u", "PASS p", "TYPE I", "SYST", "FEAT", "CWD /", "PASV",
                                 "LIST", "SIZE big.bin", "PASV", "RETR big.bin", "ABOR", "QUIT"}));
    EXPECT_EQ(view.Entries("confirm:"), Lines{"Warning: The file is transfering ,abort?"});
    EXPECT_EQ(view.ConnectCaption, "Connect");
    // No silent failure: the download's own error follows, then the exit step.
    ASSERT_EQ(view.Entries("box:").size(), 1u);
    EXPECT_EQ(Lines(view.Log.end() - 2, view.Log.end()), (Lines{"rearm:1", "status:Done"}));
}

TEST_F(AbortTest, NoLetsTheDownloadGoOnUntouched) {
    StartDownload(
        [this] { server.SendData(std::string(4194304, 'x')).CloseData().Send("226 Sent\r\n"); });
    auto hook = AtFifthStep([this] {
        view.Answers.push_back(mrNo);
        tavo->ConnectButtonClick();
    });
    tavo->ListViewRemoteDblClick();
    EXPECT_EQ(Commands().back(), "RETR big.bin");
    EXPECT_EQ(view.Entries("box:"), Lines{});
    EXPECT_EQ(view.ConnectCaption, "Disconnect");
    std::ifstream file(LocalPath("big.bin"), std::ios::binary | std::ios::ate);
    EXPECT_EQ(file.tellg(), 4194304);
}

TEST_F(AbortTest, CloseFromInsideTheTransferAbortsQuitsAndLeavesEveryCallHarmless) {
    StartDownload([this] {
        server.SendDataUntilClosed(std::string(4194304, 'x')).Expect("ABOR").Expect("QUIT");
    });
    auto hook = AtFifthStep([this] { EXPECT_TRUE(tavo->Close()); });
    tavo->ListViewRemoteDblClick();
    EXPECT_EQ(Commands().back(), "QUIT");
    EXPECT_EQ(tavo->IdFTP1(), nullptr);

    view.ClearLog();
    tavo->UploadButtonClick();
    tavo->DeleteButtonClick();
    tavo->AddShareFile();
    tavo->TraceCheckBoxClick();
    tavo->Enable_ShareList(3);
    tavo->Timer1Timer();
    EXPECT_EQ(view.Entries("box:"), Lines(3, "Warning: Not connected"));
    EXPECT_THROW(tavo->Set_Login("127.0.0.1", "u", 21, ""), EControlClosed);
    EXPECT_TRUE(tavo->Close());
    view.ConnectCaption = "Connect";
    tavo->ConnectButtonClick();
    EXPECT_EQ(view.Entries("box:").back(), "Warning: The network problem appears on connection");
}

// The first listing waits on a silent server: a press of the connect button from inside the
// wait offers to stop it; No lets it wait on, Yes ends it at once, disconnected.
TEST_F(SessionTest, ThePressStopsAStalledFirstListing) {
    Make();
    ScriptLogin(server);
    server.Expect("CWD /").Send("250 ok\r\n").Expect("PASV").ReplyPasv().Expect("LIST");
    server.Mark("listing").Expect("ABOR").Expect("QUIT").ExpectClosed();
    tavo->IdAntiFreeze1().IdleTimeOut = 50;
    view.Answers = {mrNo, mrYes};
    int presses = 0;
    PumpHook hook([&] {
        if (presses < 2 && server.WaitForMark("listing", 0) && ++presses)
            tavo->ConnectButtonClick();
    });
    Connect();
    EXPECT_EQ(view.Entries("confirm:"), Lines(2, cat->MsgConfirmAbort));
    EXPECT_EQ(view.Entries("box:"), Lines{}); // no failure: the user chose to stop
    EXPECT_EQ(view.Entries("connect:"), Lines{"Connect|Connect to server"});
    EXPECT_FALSE(tavo->IdFTP1()->IsConnected());
    EXPECT_TRUE(server.WaitUntilDone());
    EXPECT_EQ(server.Failures(), Lines{});
}

TEST_F(SessionTest, TraceLinesFollowTheBlocksAsTheyArrive) {
    Make();
    server.SendInPieces("220 Scripted\r\n", {7}, 100);
    server.Expect("USER u").Send("331 Password\r\n").Expect("PASS p");
    server.Send("230-Welcome\r\n\r\n230 In\r\n").Expect("TYPE I").Send("200 Binary\r\n");
    server.Expect("SYST").Send("215 UNIX Type: L8\r\n");
    server.Expect("FEAT").Send("502 Command not implemented\r\n");
    ScriptList(server, "/", "");
    Connect();
    const Lines trace = view.Entries("trace:");
    const auto at = std::find(trace.begin(), trace.end(), "<<- 220 Scr");
    ASSERT_NE(at, trace.end());
    EXPECT_EQ(*(at + 1), "<<- ipted");
    const auto welcome = std::find(trace.begin(), trace.end(), "<<- 230-Welcome");
    ASSERT_NE(welcome, trace.end());
    EXPECT_EQ(Lines(welcome, welcome + 3), (Lines{"<<- 230-Welcome", "<<- ", "<<- 230 In"}));
    // A received block that looks like a password is left out, yet the check still sees it.
    view.ClearLog();
    tavo->IdLogEvent1Received(tavo->IdLogEvent1(), "", "pass 550 Error: x\r\n");
    EXPECT_EQ(view.Log, Lines{});
    EXPECT_EQ(Module().LastServerText, "pass 550 Error: x\r\n");
    Commands();
}

TEST_F(SessionTest, TheTraceListKeepsItsLastLines) {
    Make();
    for (size_t i = 0; i < MaxTraceLines; ++i)
        tavo->IdLogEvent1Sent(tavo->IdLogEvent1(), "", "NOOP\r\n");
    EXPECT_EQ(view.Entries("trace-removed"), Lines{});
    tavo->IdLogEvent1Received(tavo->IdLogEvent1(), "", "200-a\r\n200 b\r\n");
    tavo->IdFTP1Status(*tavo->IdFTP1(), engine::hsStatusText, "Connected.");
    EXPECT_EQ(view.Entries("trace-removed").size(), 3u);
}

TEST_F(SessionTest, TimerTrimsTheWorkingSetThroughTheSystem) {
    Make();
    tavo->Timer1Timer();
    tavo->Timer1Timer();
    EXPECT_EQ(system->Trims, 2);
}

} // namespace
} // namespace tavo::testing
