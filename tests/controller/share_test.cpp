// The share list and its page protocol.

#include "tests/controller/controller_fixture.h"

#include <gmock/gmock.h>

namespace tavo::testing {
namespace {

using namespace controller;

class ShareTest : public ControllerTest {
protected:
    void Start(const TCatalogue& catalogue) {
        Make(catalogue);
        ScriptLogin(server);
        ScriptList(server, "/", "drwxr-xr-x 2 0 0 4096 Dec 09  2024 pub\r\n" + OneFileListing);
        Connect();
    }
    void Add(const std::string& name) {
        view.Select(name);
        view.ClearLog();
        tavo->AddShareFile();
    }
};

TEST_F(ShareTest, EntriesDuplicatesAndThePanel) {
    Start(ChineseCatalogue());
    const TCatalogue& c = *cat;
    const std::string atRoot =
        c.ShareEntryName + "/a.txt" + c.ShareEntrySize + "1234" + c.TextSizeUnit;
    const std::string inPub =
        c.ShareEntryName + "/pub/a.txt" + c.ShareEntrySize + "1234" + c.TextSizeUnit;
    Add("a.txt");
    EXPECT_EQ(view.Share, Lines{atRoot});
    EXPECT_EQ(view.Log,
              (Lines{"share-checked:1", "share-panel:1|500,180,180,49,28",
                     "share-panel:1|500,180,180,49,28", "rearm:4", "status:" + c.StatusDone}));
    Add("a.txt");
    EXPECT_EQ(view.Entries("box:"), Lines{atRoot + "\r" + c.MsgAlreadyShared});
    EXPECT_EQ(view.Entries("share-panel:").size(), 2u);
    view.CurrentDir = "/pub";
    Add("a.txt");
    EXPECT_EQ(view.Share, (Lines{atRoot, inPub}));
    for (const char* refused : {"pub", "..", "none"}) {
        Add(refused);
        EXPECT_EQ(view.Entries("box:"), Lines{c.MsgSelectFileToShare}) << refused;
        EXPECT_EQ(view.Entries("share-panel:"), Lines{}) << refused;
    }
    EXPECT_EQ(tavo->Get_ShareList(), "|" + atRoot + "|" + inPub);
    Commands();
}

TEST_F(ShareTest, PageProtocol) {
    Make();
    view.Share = {"E1", "", "E2"};
    tavo->Set_ShareList("written");
    EXPECT_EQ(tavo->Get_ShareList(), "|E1|E2");
    EXPECT_EQ(Module().ShareListText, "|E1|E2");
    view.Share.clear();
    EXPECT_EQ(tavo->Get_ShareList(), "");

    view.ClearLog();
    tavo->Set_GoToFlag(0);
    tavo->bsSkinSpeedButton9Click(); // sent even with an empty list
    EXPECT_EQ(tavo->Get_GoToFlag(), 1);
    tavo->Set_GoToFlag(5);
    EXPECT_EQ(tavo->Get_GoToFlag(), 5);
    tavo->Set_GoToFlag(0);
    tavo->bsSkinSpeedButton9Click();
    EXPECT_EQ(tavo->Get_GoToFlag(), 1);

    view.Share = {"E1", "E2"};
    tavo->DelShareFile();
    view.SelectedShareLine = 0;
    tavo->DelShareFile();
    EXPECT_EQ(view.Share, Lines{"E2"});
    EXPECT_EQ(view.Log, (Lines{"rearm:9", "status:Done", "rearm:9", "status:Done",
                               "box:Warning: Please choose a file", "rearm:8", "status:Done",
                               "rearm:8", "status:Done"}));
}

TEST_F(ShareTest, EnableShareListCodesAndPanelLayouts) {
    Make();
    view.ClearLog();
    for (int code : {0, 1, 2, 3, 4, 7})
        tavo->Enable_ShareList(code);
    EXPECT_EQ(view.Log, (Lines{"share-commands:1", "share-commands:0", "passive:0", "passive:1"}));
    EXPECT_TRUE(tavo->IdFTP1()->Passive);
    tavo->Enable_ShareList(3);
    EXPECT_FALSE(tavo->IdFTP1()->Passive);
    EXPECT_FALSE(view.Passive);

    view.ClearLog();
    view.ShareChecked = true;
    tavo->CheckShareListClick();
    view.ShareChecked = false;
    tavo->CheckShareListClick();
    view.TraceChecked = true;
    tavo->TraceCheckBoxClick();
    EXPECT_EQ(view.Log, (Lines{"share-panel:1|500,200,200,49,28", "share-panel:0|500,200,200,49,28",
                               "trace-panel:1", "share-list-layout:50,28"}));
}

} // namespace
} // namespace tavo::testing
