// A server that speaks UTF-8 (FEAT lists UTF8, OPTS UTF8 ON accepted) seen by the Chinese
// edition: names in code page 936 on the screen, in UTF-8 on the wire.

#include "tests/controller/controller_fixture.h"

#include <gmock/gmock.h>

#include <fstream>
#include <iterator>

namespace tavo::testing {
namespace {

using namespace controller;

const std::string DirUtf8 = "\xE4\xB8\xAD\xE6\x96\x87"; // 中文
const std::string DirGbk = "\xD6\xD0\xCE\xC4";
const std::string Emoji = "\xF0\x9F\x98\x80.txt"; // shown as "?.txt" under code page 936

TEST_F(ControllerTest, ChineseEditionOpensAUtf8FolderAndReachesAnUnshowableFileByItsBytes) {
    Make(ChineseCatalogue(), 936);
    server.Send("220 Scripted\r\n").Expect("USER u").Send("331 Password\r\n");
    server.Expect("PASS p").Send("230 In\r\n").Expect("TYPE I").Send("200 Binary\r\n");
    server.Expect("SYST").Send("215 UNIX Type: L8\r\n");
    server.Expect("FEAT").Send("211-Features:\r\n SIZE\r\n UTF8\r\n211 End\r\n");
    server.Expect("OPTS UTF8 ON").Send("200 Always in UTF8 mode.\r\n");
    ScriptList(server, "/", "drwxr-xr-x 2 0 0 4096 Dec 09  2024 " + DirUtf8 + "\r\n");
    server.Expect("CWD " + DirUtf8).Send("250 Changed\r\n");
    server.Expect("PWD").Send("257 \"/" + DirUtf8 + "\" is the current directory\r\n");
    const std::string listing = "-rw-r--r-- 1 0 0 3 Dec 09  2024 " + Emoji + "\r\n";
    ScriptList(server, "/" + DirUtf8, listing);
    ScriptDownload(server, Emoji, "abc");
    server.Expect("DELE " + Emoji).Send("550 " + DirUtf8 + " busy\r\n");
    ScriptList(server, "/" + DirUtf8, listing);
    server.Expect("DELE " + Emoji).Send("250 Deleted\r\n");
    ScriptList(server, "/" + DirUtf8, "");
    Connect();
    EXPECT_EQ(view.RowNames(), (Lines{"..", DirGbk}));

    view.Select(DirGbk);
    tavo->ListViewRemoteDblClick();
    EXPECT_EQ(view.CurrentDir, "/" + DirGbk);
    EXPECT_EQ(view.RowNames(), (Lines{"..", "?.txt"}));

    view.Select("?.txt");
    view.Choices.push_back(LocalPath("smile.txt"));
    tavo->ListViewRemoteDblClick();
    std::ifstream saved(LocalPath("smile.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), "abc");

    // The server's refusal is shown in the edition's code page.
    view.Select("?.txt");
    view.Answers = {mrYes};
    view.ClearLog();
    tavo->DeleteButtonClick();
    EXPECT_EQ(view.Entries("box:"), Lines{DirGbk + " busy"});
    view.Select("?.txt");
    view.Answers = {mrYes};
    tavo->DeleteButtonClick();
    EXPECT_EQ(view.RowNames(), Lines{".."});
    // The trace shows names as the user knows them.
    EXPECT_THAT(view.Entries("trace:" + cat->TracePrefixSent),
                ::testing::IsSupersetOf(Lines{"CWD /" + DirGbk, "DELE ?.txt"}));
    Commands();
}

} // namespace
} // namespace tavo::testing
