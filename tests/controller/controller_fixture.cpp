#include "tests/controller/controller_fixture.h"

#include <chrono>
#include <filesystem>

namespace tavo::testing {

using namespace controller;

void ScriptLogin(ScriptedServer& server) {
    server.Send("220 Scripted\r\n")
        .Expect("USER u")
        .Send("331 Password\r\n")
        .Expect("PASS p")
        .Send("230 In\r\n")
        .Expect("TYPE I")
        .Send("200 Binary\r\n")
        .Expect("SYST")
        .Send("215 UNIX Type: L8\r\n")
        .Expect("FEAT")
        .Send("502 Command not implemented\r\n");
}

void ScriptListing(ScriptedServer& server, const std::string& listing) {
    server.Expect("PASV")
        .ReplyPasv()
        .Expect("LIST")
        .AcceptData()
        .Send("150 Here\r\n")
        .SendData(listing)
        .CloseData()
        .Send("226 Done\r\n");
}

void ScriptList(ScriptedServer& server, const std::string& dir, const std::string& listing) {
    server.Expect("CWD " + dir).Send("250 Changed\r\n");
    ScriptListing(server, listing);
}

void ScriptDownload(ScriptedServer& server, const std::string& name, const std::string& data) {
    server.Expect("SIZE " + name)
        .Send("213 " + std::to_string(data.size()) + "\r\n")
        .Expect("PASV")
        .ReplyPasv()
        .Expect("RETR " + name)
        .AcceptData()
        .Send("150 Sending\r\n")
        .SendData(data)
        .CloseData()
        .Send("226 Sent\r\n");
}

ControllerTest::~ControllerTest() {
    tavo.reset();
    if (!folder.empty())
        std::filesystem::remove_all(folder);
}

void ControllerTest::Make(const TCatalogue& catalogue, int codePage) {
    cat = &catalogue;
    auto fake = std::make_unique<FakeSystem>(codePage);
    system = fake.get();
    TTavoOptions options;
    options.Catalogue = &catalogue;
    options.System = std::move(fake);
    options.Clock = [this] { return now; };
    tavo = std::make_unique<TTavo>(view, std::move(options));
    tavo->IdFTP1()->ReadTimeout = 3000;
    view.ConnectCaption = catalogue.CaptionConnect;
    tavo->FormCreate();
}

void ControllerTest::Connect() {
    server.Start();
    tavo->Set_Login(server.Host(), "u", server.Port(), "cA==");
}

Lines ControllerTest::Commands() {
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Failures(), Lines{});
    return server.ReceivedCommands();
}

std::string ControllerTest::LocalPath(const std::string& name) {
    if (folder.empty()) {
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        folder = (std::filesystem::temp_directory_path() /
                  ("tavo-ctl-" + name + "-" + std::to_string(ticks)))
                     .string();
        std::filesystem::create_directories(folder);
    }
    return (std::filesystem::path(folder) / name).string();
}

} // namespace tavo::testing
