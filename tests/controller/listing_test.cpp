// The remote list, directory changes and the outcome check, against the scripted server.

#include "tests/controller/controller_fixture.h"

#include <gmock/gmock.h>

namespace tavo::testing {
namespace {

using namespace controller;

class ListingTest : public ControllerTest {};

const std::string MixedListing =
    "drwxr-xr-x    2 0        0            4096 Dec 09  2024 pub\r\n"
    "-rw-r--r--    1 0        0      3221225472 Jan 02  2023 three.iso\r\n"
    "-rw-r--r--    1 0        0      5368709120 Jan 02  2023 five.DOC\r\n"
    "lrwxrwxrwx    1 0        0              11 Mar 04  2022 link -> target\r\n";

TEST_F(ListingTest, RowsOfBothEditions) {
    Make(ChineseCatalogue());
    ScriptLogin(server);
    ScriptList(server, "/", MixedListing);
    Connect();
    const TCatalogue& c = ChineseCatalogue();
    // Full 64-bit sizes; dates in the (pinned) short date format.
    EXPECT_EQ(view.Entries("row:"),
              (Lines{c.RowParent + "|..|0|focused",
                     c.RowDirectory + "|pub,4096" + c.TextSizeUnit + ",9.12.2024|0",
                     c.RowFile + "|three.iso,3221225472" + c.TextSizeUnit + ",2.1.2023|1",
                     c.RowFile + "|five.DOC,5368709120" + c.TextSizeUnit + ",2.1.2023|10",
                     c.RowLink + "|link,11" + c.TextSizeUnit + ",4.3.2022|1"}));
    Commands();
}

TEST_F(ListingTest, EnglishRowsHaveNoTypeTextButTheParent) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", MixedListing);
    ScriptListing(server, MixedListing);
    Connect();
    Lines rows = view.Entries("row:");
    EXPECT_EQ(rows.at(0), "Up|..|0|focused");
    EXPECT_EQ(rows.at(2), "|three.iso,3221225472 Bite,2.1.2023|1");
    // The refresh lists links as directory rows.
    tavo->RefreshRemoteList();
    EXPECT_EQ(view.Rows.back().IconIndex, 0);
    EXPECT_EQ(view.Entries("status:").back(), "Transfer complete");
    Commands();
}

TEST_F(ListingTest, OpeningADirectoryRowChangesListsAndLeavesNothingSelected) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", MixedListing);
    server.Expect("CWD pub").Send("250 ok\r\n").Expect("PWD").Send("257 \"/pub\" is cwd\r\n");
    ScriptList(server, "/pub", "");
    server.Expect("CWD ..").Send("250 ok\r\n").Expect("PWD").Send("257 \"/\"\r\n");
    ScriptList(server, "/", MixedListing);
    Connect();
    view.ClearLog();
    tavo->ListViewRemoteDblClick(); // no row selected: only the exit step
    EXPECT_EQ(view.Log, (Lines{"rearm:1", "status:Done"}));
    view.Select("pub");
    view.ClearLog();
    tavo->ListViewRemoteDblClick();
    EXPECT_EQ(view.CurrentDir, "/pub");
    EXPECT_EQ(view.RowNames(), Lines{".."});
    EXPECT_EQ(Lines(view.Log.end() - 2, view.Log.end()), (Lines{"rearm:1", "status:Done"}));
    view.Select("..");
    tavo->ListViewRemoteDblClick();
    EXPECT_EQ(view.CurrentDir, "/");
    EXPECT_EQ(view.RowNames().size(), 5u);
    Lines commands = Commands();
    EXPECT_EQ(Lines(commands.begin() + 8, commands.end()),
              (Lines{"CWD pub", "PWD", "CWD /pub", "PASV", "LIST", "CWD ..", "PWD", "CWD /", "PASV",
                     "LIST"}));
}

TEST_F(ListingTest, NotConnectedSendsNothing) {
    Make();
    tavo->ListViewRemoteDblClick();
    tavo->BackButtonClick();
    EXPECT_EQ(view.Log, (Lines{"place-progress", "connect-enabled:1", "share-check-enabled:1",
                               "status:Ready", "share-panel:0|500,200,200,49,28", "trace-panel:0",
                               "box:Warning: Not connected", "rearm:1", "status:Done",
                               "box:Warning: Not connected", "rearm:5", "status:Done"}));
}

TEST_F(ListingTest, OutcomeCheckBranches) {
    struct Case {
        std::string lastReply;
        std::optional<std::string> failure;
        Lines boxes;
        bool refreshes;
    };
    const std::vector<Case> cases = {
        {"550 Quota exceeded\r\n", "552", {"Warning: Quotasize exceeded"}, false},
        {"550 Error: Directory not empty\r\n", "x", {"Warning: Directory not empty"}, true},
        {"550 Error: denied\r\n",
         "x",
         {"Warning: The network problem appears on connection"},
         true},
        {"550 Permission denied.\r\n",
         "550 Permission denied.\r\n",
         {"550 Permission denied."},
         false},
        {"Error: at the start\r\n", "failed", {"failed"}, false},
        {"550 Permission denied.\r\n", std::nullopt, {}, false},
    };
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", OneFileListing);
    server.Expect("PWD").Send("257 \"/\"\r\n");
    ScriptListing(server, OneFileListing);
    // A refused refresh: the rows come back from the last listing.
    server.Expect("PWD").Send("257 \"/\"\r\n").Expect("PASV").ReplyPasv();
    server.Expect("LIST").Send("550 Error: listing refused\r\n");
    Connect();
    for (const Case& c : cases) {
        view.ClearLog();
        Module().LastServerText = c.lastReply;
        tavo->CheckOperationOutcome(c.failure);
        EXPECT_EQ(view.Entries("box:"), c.boxes) << c.lastReply;
        EXPECT_EQ(view.Entries("row:").empty(), !c.refreshes) << c.lastReply;
        // The trace holds the dialogue, no bare line for an error nobody is shown.
        EXPECT_EQ(view.Entries("trace:Error"), Lines{});
    }
    Commands();
}

TEST_F(ListingTest, ARefusedDirectoryChangeKeepsTheRowsAndShowsTheReply) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", "drwxr-xr-x 2 0 0 4096 Dec 09 04:56 locked\r\n");
    server.Expect("CWD locked").Send("550 Failed to change directory.\r\n");
    Connect();
    view.Select("locked");
    view.ClearLog();
    tavo->ListViewRemoteDblClick();
    EXPECT_EQ(view.Log, (Lines{"status:Transfer complete", "trace:->> CWD locked",
                               "trace:<<- 550 Failed to change directory.",
                               "box:Failed to change directory.", "rearm:1", "status:Done"}));
    EXPECT_EQ(view.RowNames(), (Lines{"..", "locked"}));
    Commands();
}

TEST_F(ListingTest, WithTheTraceOffTheCheckJudgesTheLastReplySeenWhileOn) {
    Make();
    ScriptLogin(server);
    ScriptList(server, "/", "drwxr-xr-x 2 0 0 4096 Dec 09  2024 pub\r\n");
    server.Expect("RMD pub").Send("552 Quota exceeded\r\n");
    server.Expect("PWD").Send("257 \"/\"\r\n");
    ScriptListing(server, "");
    Connect();
    EXPECT_EQ(Module().LastServerText, "226 Done\r\n");
    Module().LastServerText = "550 Error: seen while on\r\n";
    view.TraceChecked = false;
    tavo->TraceCheckBoxClick();
    view.ClearLog();
    view.Select("pub");
    view.Answers.push_back(mrYes);
    tavo->DelDir();
    EXPECT_EQ(view.Entries("box:"), Lines{"Warning: The network problem appears on connection"});
    EXPECT_EQ(Module().LastServerText, "550 Error: seen while on\r\n");
    EXPECT_EQ(view.Entries("trace:->>"), Lines{});
    Commands();
}

} // namespace
} // namespace tavo::testing
