// Scripted-host sessions: a script in, what the user would see out.

#include "tools/tavo_host/script_runner.h"

#include "controller/catalogue.h"
#include "tests/support/page_side.h"
#include "tests/support/real_servers.h"
#include "tests/support/scripted_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace tavo;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

host::THostSettings Quiet(const controller::TCatalogue& catalogue) {
    host::THostSettings settings;
    settings.Catalogue = &catalogue;
    settings.Out = nullptr;
    settings.ReadTimeout = 3000;
    return settings;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void ScriptLogInAndList(tavo::testing::ScriptedServer& server, const std::string& listing) {
    server.Send("220 scripted\r\n")
        .Expect("USER u")
        .Send("331 pw\r\n")
        .Expect("PASS p")
        .Send("230 ok\r\n")
        .Expect("TYPE I")
        .Send("200 ok\r\n")
        .Expect("SYST")
        .Send("215 UNIX Type: L8\r\n")
        .Expect("FEAT")
        .Send("500 Unknown command\r\n")
        .Expect("CWD /")
        .Send("250 ok\r\n")
        .Expect("PASV")
        .ReplyPasv()
        .Expect("LIST")
        .AcceptData()
        .Send("150 here\r\n")
        .SendData(listing)
        .CloseData()
        .Send("226 done\r\n");
}

} // namespace

TEST(ScriptWords, QuotesGroupAndEscape) {
    EXPECT_EQ(host::SplitWords(R"(setlogin h "a b" "x\"y" 21)"),
              (std::vector<std::string>{"setlogin", "h", "a b", "x\"y", "21"}));
    EXPECT_EQ(host::SplitWords("  tick  "), (std::vector<std::string>{"tick"}));
    EXPECT_EQ(host::SplitWords(R"(choose "C:\users\a b.txt")"),
              (std::vector<std::string>{"choose", "C:\\users\\a b.txt"}));
    EXPECT_EQ(host::SplitWords(R"(input "")"), (std::vector<std::string>{"input", ""}));
}

TEST(ScriptedHost, UnknownLinesAndUnansweredBoxesAreReported) {
    host::TScriptRunner runner(Quiet(controller::EnglishCatalogue()));
    EXPECT_FALSE(runner.RunScript("# a comment\nfly away\ndelete\n"));
    const std::string& out = runner.Transcript();
    EXPECT_THAT(out, HasSubstr("host: cannot understand: fly away"));
    // Not connected: the message box has no queued answer and is closed.
    EXPECT_THAT(out, HasSubstr("box information OK \"Warning: Not connected\" -> Cancel (no "
                               "answer queued: closed)"));
    EXPECT_THAT(out, Not(HasSubstr("> # a comment")));
}

TEST(ScriptedHost, SessionAgainstAScriptedServerEndsWithTheConnectButton) {
    tavo::testing::ScriptedServer server;
    ScriptLogInAndList(server,
                       "-rw-r--r--    1 0        0             1234 Dec 09 04:56 notes.txt\r\n"
                       "drwxr-xr-x    2 0        0             4096 Dec 09 04:56 sub\r\n");
    server.Expect("QUIT").ExpectClosed();
    server.Start();
    host::TScriptRunner runner(Quiet(controller::EnglishCatalogue()));
    const bool ok =
        runner.RunScript("check trace on\n"
                         "setlogin 127.0.0.1 u " +
                         tavo::testing::Base64Encode("p") + " " + std::to_string(server.Port()) +
                         "\n"
                         "select notes.txt\n"
                         "share\n"
                         "sharelist\n"
                         "gotoflag\n"
                         "sendshare\n"
                         "gotoflag\n"
                         "connect\n");
    server.WaitUntilFinished(5000);
    EXPECT_EQ(server.Failures(), std::vector<std::string>{});
    const std::string& out = runner.Transcript();
    EXPECT_TRUE(ok) << out;
    EXPECT_THAT(out, HasSubstr("row \"\" \"notes.txt\" \"1234 Bite\""));
    EXPECT_THAT(out, HasSubstr("trace \"->> USER u\""));
    EXPECT_THAT(out, Not(HasSubstr("PASS p"))); // the password's block stays out of the trace
    // Neither the password's block nor the script's Base64 password is shown.
    EXPECT_THAT(out, HasSubstr("> setlogin 127.0.0.1 u *** " + std::to_string(server.Port())));
    EXPECT_THAT(out, Not(HasSubstr(tavo::testing::Base64Encode("p"))));
    EXPECT_THAT(out, HasSubstr("gotoflag 0\n"));
    EXPECT_THAT(out, HasSubstr("gotoflag 1\n"));
    EXPECT_THAT(out, HasSubstr("connect-button \"Connect\""));
}

// 102,400 bytes arrive in 50 blocks: the progress at each tenth of the bar, the status
// only when it changes.
TEST(ScriptedHost, ADownloadPrintsItsProgressAtEveryTenth) {
    tavo::testing::ScriptedServer server;
    ScriptLogInAndList(server, "-rw-r--r--    1 0 0 102400 Dec 09 04:56 data.bin\r\n");
    server.Expect("SIZE data.bin")
        .Send("213 102400\r\n")
        .Expect("PASV")
        .ReplyPasv()
        .Expect("RETR data.bin")
        .AcceptData()
        .Send("150 here\r\n")
        .SendDataInPieces(std::string(102400, 'x'), {2048}, 1)
        .CloseData()
        .Send("226 done\r\n");
    server.Start();
    const std::string target = ::testing::TempDir() + "host-tenths.bin";
    host::TScriptRunner runner(Quiet(controller::EnglishCatalogue()));
    runner.RunScript("setlogin 127.0.0.1 u " + tavo::testing::Base64Encode("p") + " " +
                     std::to_string(server.Port()) + "\nselect data.bin\nchoose \"" + target +
                     "\"\ndownload\n");
    std::remove(target.c_str());
    const std::string out = runner.Transcript().substr(runner.Transcript().find("> download"));
    // The maximum, the first step, each tenth up to the whole, the return to 0.
    EXPECT_THAT(out, HasSubstr("progress max 102400\nstatus \"Download speed: "));
    EXPECT_THAT(out, HasSubstr("progress 102400\nprogress 0\nstatus \"Transfer complete\"\n"));
    size_t lines = 0;
    for (size_t at = out.find("\nprogress "); at != std::string::npos;
         at = out.find("\nprogress ", at + 1))
        ++lines;
    EXPECT_EQ(lines, 13u) << out;
    EXPECT_THAT(out, Not(HasSubstr("status \"\"")));
}

TEST(ScriptedHost, ConnectPressedDuringADownloadAbortsIt) {
    tavo::testing::ScriptedServer server;
    ScriptLogInAndList(server, "-rw-r--r--    1 0 0 4000000 Dec 09 04:56 big.bin\r\n");
    server.Expect("SIZE big.bin")
        .Send("213 4000000\r\n")
        .Expect("PASV")
        .ReplyPasv()
        .Expect("RETR big.bin")
        .AcceptData()
        .Send("150 here\r\n")
        .SendDataUntilClosed(std::string(4000000, 'x'))
        .Expect("ABOR")
        .Expect("QUIT")
        .ExpectClosed();
    server.Start();
    const std::string target = ::testing::TempDir() + "host-abort.bin";
    std::remove(target.c_str());
    host::TScriptRunner runner(Quiet(controller::EnglishCatalogue()));
    runner.RunScript("setlogin 127.0.0.1 u " + tavo::testing::Base64Encode("p") + " " +
                     std::to_string(server.Port()) +
                     "\n"
                     "select big.bin\n"
                     "choose \"" +
                     target +
                     "\"\n"
                     "onprogress 3 answer yes\n"
                     "onprogress 3 connect\n"
                     "download\n");
    server.WaitUntilFinished(10000);
    EXPECT_EQ(server.Failures(), std::vector<std::string>{});
    const std::string& out = runner.Transcript();
    EXPECT_THAT(out, HasSubstr("> (progress event) connect"));
    EXPECT_THAT(out, HasSubstr("box confirmation YesNo"));
    EXPECT_THAT(out, HasSubstr("connect-button \"Connect\""));
    std::remove(target.c_str());
}

TEST(ScriptedHost, RealServerSessionDownloadsAndSharesInTheChineseEdition) {
    TAVO_REAL_SERVER_OR_SKIP(server, tavo::testing::FindPyftpd());
    const std::string target = ::testing::TempDir() + "host-small.txt";
    std::remove(target.c_str());
    host::TScriptRunner runner(Quiet(controller::ChineseCatalogue()));
    runner.RunScript("setlogin " + server.Host + " " + server.User + " " +
                     tavo::testing::Base64Encode(server.Password) + " " +
                     std::to_string(server.Port) +
                     "\n"
                     "select small.txt\n"
                     "choose \"" +
                     target +
                     "\"\n"
                     "download\n"
                     "select sub\n"
                     "dblclick\n"
                     "select nested.txt\n"
                     "share\n"
                     "sharelist\n"
                     "close\n"
                     "connect\n");
    const std::string& out = runner.Transcript();
    EXPECT_EQ(ReadFile(target), ReadFile(server.LocalPath("small.txt")));
    EXPECT_THAT(out, HasSubstr("directory \"/sub\""));
    EXPECT_THAT(out, HasSubstr("share-line added"));
    EXPECT_THAT(out, HasSubstr("sharelist \"|"));
    EXPECT_THAT(out, HasSubstr("close -> succeeded"));
    // After Close the connect button takes the not-connected path without harm.
    EXPECT_THAT(out, Not(HasSubstr("host: ")));
    std::remove(target.c_str());
}

// One script, run without a screen and then against the real form through its widgets (boxes
// and the file chooser answered as a user would), prints the same lines. Trace lines are left
// out: passive ports and where a transfer's closing reply falls among its progress lines
// differ from run to run.
TEST(ScriptedHost, TheWindowModePrintsWhatTheHeadlessViewPrints) {
    if (!host::WindowModeAvailable())
        GTEST_SKIP() << "no windows in this flavour";
    TAVO_REAL_SERVER_OR_SKIP(server, tavo::testing::FindPyftpd());
    const std::string target = ::testing::TempDir() + "host-window-small.txt";
    const std::string script = "setlogin " + server.Host + " " + server.User + " " +
                               tavo::testing::Base64Encode(server.Password) + " " +
                               std::to_string(server.Port) + "\nselect small.txt\nchoose \"" +
                               target +
                               "\"\ndownload\ncheck sharelist on\nshare\nsendshare\ngotoflag\n"
                               "sharelist\nselectshare 0\nunshare\nanswer ok\nunshare\n"
                               "input cancel\nmkdir\nselect sub\ndblclick\nrows\nclose\n";
    auto run = [&](bool window) {
        std::remove(target.c_str());
        host::THostSettings settings = Quiet(controller::ChineseCatalogue());
        settings.Window = window;
        host::TScriptRunner runner(settings);
        EXPECT_TRUE(runner.RunScript(script)) << runner.Transcript();
        EXPECT_EQ(ReadFile(target), ReadFile(server.LocalPath("small.txt")));
        std::stringstream lines(runner.Transcript());
        std::string kept, line;
        while (std::getline(lines, line))
            if (line.rfind("trace ", 0) != 0)
                kept += line + "\n";
        return kept;
    };
    const std::string headless = run(false);
    EXPECT_THAT(headless, HasSubstr("share-line removed"));
    EXPECT_THAT(headless, HasSubstr("box information OK"));
    EXPECT_EQ(run(true), headless);
    std::remove(target.c_str());
}
