// Delete file, create directory, delete directory, rename or move.

#include "tests/controller/controller_fixture.h"

#include <gmock/gmock.h>

namespace tavo::testing {
namespace {

using namespace controller;

const std::string Listing = "drwxr-xr-x 2 0 0 4096 Dec 09  2024 pub\r\n" + OneFileListing;

class FileOpsTest : public ControllerTest {
protected:
    void Start(const TCatalogue& catalogue = EnglishCatalogue(), int codePage = 936) {
        Make(catalogue, codePage);
        ScriptLogin(server);
        ScriptList(server, "/", Listing);
    }
    void Run(void (TTavo::*command)(), const std::string& selected) {
        view.Select(selected);
        view.ClearLog();
        (tavo.get()->*command)();
    }
};

TEST_F(FileOpsTest, DeleteFile) {
    Start();
    server.Expect("DELE a.txt").Send("250 Deleted\r\n");
    ScriptList(server, "/", "");
    Connect();
    view.Answers = {mrNo, mrYes, mrYes};
    Run(&TTavo::DeleteButtonClick, "a.txt"); // No: nothing more
    EXPECT_EQ(view.Log, (Lines{"confirm:Warning: Deleting operation is to be not allowed "
                               "recovery , affirm ?",
                               "rearm:2", "status:Done"}));
    Run(&TTavo::DeleteButtonClick, "pub");
    EXPECT_EQ(view.Entries("box:"), Lines{"Please Choose the file needing to delete"});
    Run(&TTavo::DeleteButtonClick, "a.txt");
    EXPECT_EQ(view.RowNames(), Lines{".."});
    EXPECT_EQ(view.Entries("box:"), Lines{});
    Commands();
}

TEST_F(FileOpsTest, CreateDirectoryNames) {
    Start();
    for (const char* name : {"new_dir-2.old", "\x96\x7C\xBE\xA9"}) {
        server.Expect(std::string("MKD ") + name).Send("257 Created\r\n");
        ScriptListing(server, Listing);
    }
    server.Expect("MKD pub").Send("550 Create directory operation failed\r\n");
    Connect();
    for (const char* refused : {"new dir", "a/b", "x?"}) {
        view.Inputs.push_back(refused);
        Run(&TTavo::CreateDirButtonClick, "");
        EXPECT_EQ(view.Entries("box:"), Lines{"Warning: Illegal character in the name"});
    }
    view.Inputs.push_back(std::nullopt); // cancel
    Run(&TTavo::CreateDirButtonClick, "");
    EXPECT_EQ(view.Log, (Lines{"ask:Please input|Folder name|", "rearm:6", "status:Done"}));
    // Accepted, among them 東京, whose first trailing byte is the vertical bar.
    for (const char* name : {"new_dir-2.old", "\x96\x7C\xBE\xA9"}) {
        view.Inputs.push_back(name);
        Run(&TTavo::CreateDirButtonClick, "");
        EXPECT_EQ(view.Entries("box:"), Lines{});
        EXPECT_EQ(view.Entries("error:"), Lines{});
    }
    // A refusal: the outcome check (nothing it knows), then the general error report.
    view.Inputs.push_back("pub");
    Run(&TTavo::CreateDirButtonClick, "");
    EXPECT_EQ(view.Entries("box:"), Lines{});
    EXPECT_EQ(Lines(view.Log.end() - 3, view.Log.end()),
              (Lines{"rearm:6", "status:Done", "error:Create directory operation failed."}));
    Commands();
}

TEST_F(FileOpsTest, ADoubleByteNameIsRefusedWhereTheCodePageHasNoLeadBytes) {
    Start(EnglishCatalogue(), 1252);
    Connect();
    view.Inputs.push_back("\x96\x7C\xBE\xA9");
    Run(&TTavo::CreateDirButtonClick, "");
    EXPECT_EQ(view.Entries("box:"), Lines{"Warning: Illegal character in the name"});
    Commands();
}

TEST_F(FileOpsTest, DeleteDirectory) {
    Start(ChineseCatalogue());
    server.Expect("RMD ..").Send("550 Error: Directory not empty\r\n");
    server.Expect("PWD").Send("257 \"/\"\r\n");
    ScriptListing(server, Listing);
    server.Expect("RMD pub").Send("250 Removed\r\n");
    ScriptList(server, "/", OneFileListing);
    server.Expect("PWD").Send("257 \"/\"\r\n");
    Connect();
    view.Answers = {mrYes, mrYes, mrYes};
    Run(&TTavo::DelDir, "a.txt");
    EXPECT_EQ(view.Entries("box:"), Lines{cat->MsgSelectEmptyDir});
    Run(&TTavo::DelDir, ".."); // the parent row counts as a directory row
    EXPECT_EQ(view.Entries("box:"), Lines{cat->MsgDirNotEmpty});
    Run(&TTavo::DelDir, "pub");
    EXPECT_EQ(view.Entries("box:"), Lines{});
    EXPECT_EQ(view.Entries("dir:"), Lines{"/"});
    EXPECT_EQ(view.RowNames(), (Lines{"..", "a.txt"}));
    Commands();
}

TEST_F(FileOpsTest, RenameOrMove) {
    Start();
    server.Expect("RNFR a.txt").Send("350 Ready\r\n").Expect("RNTO pub/b.txt");
    server.Send("250 Renamed\r\n");
    ScriptList(server, "/", "drwxr-xr-x 2 0 0 4096 Dec 09  2024 pub\r\n");
    server.Expect("RNFR pub").Send("350 Ready\r\n").Expect("RNTO nowhere/pub");
    server.Send("550 Rename failed.\r\n");
    Connect();
    Run(&TTavo::N3Click, ""); // no row: not even the input box
    EXPECT_EQ(view.Log, (Lines{"rearm:3", "status:Done"}));
    view.Inputs = {"a b", std::nullopt, "pub/b.txt", "nowhere/pub"};
    Run(&TTavo::N3Click, "a.txt");
    EXPECT_EQ(view.Entries("box:"), Lines{"Warning: Illegal character in the name"});
    Run(&TTavo::N3Click, "a.txt");
    EXPECT_EQ(view.Entries("box:"), Lines{});
    Run(&TTavo::N3Click, "a.txt");
    EXPECT_EQ(view.RowNames(), (Lines{"..", "pub"}));
    Run(&TTavo::N3Click, "pub");
    EXPECT_EQ(view.Entries("box:"), Lines{"Warning: the path not exist"});
    EXPECT_EQ(view.RowNames(), (Lines{"..", "pub"}));
    Commands();
}

} // namespace
} // namespace tavo::testing
