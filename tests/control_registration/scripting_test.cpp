// A page's scripts drive the registered control through the flavour's cscript: JScript with
// late binding for every member, VBScript for what JScript hides (raw Booleans, the error's
// source). The scripts print their own verdict, since cscript ends with 0 on an uncaught error.

#include "control_files.h"
#include "tests/support/real_servers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tavo::testing {
namespace {

std::wstring ScriptPath(const wchar_t* name) {
    std::wstring path = L"Z:" + Widen(TAVO_SCRIPT_DIR) + L"/" + name;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

std::string ReadFrom(const std::string& path, std::streamoff offset) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(offset);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::streamoff FileSize(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    return file ? static_cast<std::streamoff>(file.tellg()) : 0;
}

TEST(ControlScripting, PageScriptsDriveEveryMember) {
    TAVO_REAL_SERVER_OR_SKIP(server, FindVsftpd());
    // The control's form is a window, even while hidden: without a display creation fails.
    ASSERT_TRUE(std::getenv("DISPLAY")) << "DISPLAY is not set";
    const char* protocolLog = std::getenv("TAVO_VSFTPD_LOG");
    ASSERT_NE(protocolLog, nullptr) << "TAVO_VSFTPD_LOG is not set";
    const std::string log = LocalPathFromUnix(protocolLog);
    const std::wstring cscript = L"\"" + SystemProgram(L"cscript.exe") + L"\" //nologo ";

    // One program per edition: the Chinese one runs where the ANSI code page is 936 (Wine
    // takes it from the Unix locale when the process starts, and children inherit it), so
    // Chinese text survives the control's 8-bit form.
    const TEdition& edition = Editions()[TAVO_SCRIPTED_EDITION];
    const bool chinese = TAVO_SCRIPTED_EDITION == 0;
    if (chinese) {
        ASSERT_EQ(GetACP(), 936u) << "the Chinese edition's scripts need LC_ALL=zh_CN.UTF-8";
    }
    {
        ASSERT_EQ(Regsvr32(edition.Library, false), 0u);
        const std::streamoff logStart = FileSize(log);

        const TProcessResult members = RunProcess(
            cscript + L"\"" + ScriptPath(L"control_members.js") + L"\" " + edition.ProgId + L" " +
                Widen(server.Host) + L" " + std::to_wstring(server.Port) + L" " +
                Widen(server.User) + (chinese ? L" 1" : L" 0"),
            120000);
        EXPECT_FALSE(members.TimedOut);
        EXPECT_EQ(members.Output.substr(0, 4), "PASS") << members.Output;
        EXPECT_EQ(members.ExitCode, 0u) << members.Output;

        // SetLogin logged in and listed.
        const std::string session = ReadFrom(log, logStart);
        EXPECT_NE(session.find("OK LOGIN"), std::string::npos) << session;
        EXPECT_NE(session.find("\"LIST"), std::string::npos) << session;

        const TProcessResult errors = RunProcess(
            cscript + L"\"" + ScriptPath(L"control_errors.vbs") + L"\" " + edition.ProgId, 60000);
        EXPECT_FALSE(errors.TimedOut);
        EXPECT_EQ(errors.Output.substr(0, 4), "PASS") << errors.Output;

        EXPECT_EQ(Regsvr32(edition.Library, true), 0u);
    }
}

} // namespace
} // namespace tavo::testing
