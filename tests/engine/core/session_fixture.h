#pragma once
// A session aimed at a scripted server, recording the statuses it reports.

#include "engine/ftp/id_ftp.h"
#include "tests/support/scripted_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavo::engine {

class ScriptedSessionTest : public ::testing::Test {
protected:
    ScriptedSessionTest() {
        ftp.Host = server.Host();
        ftp.Port = server.Port();
        ftp.ReadTimeout = 3000;
        ftp.Username = "anonymous";
        ftp.Password = "secret";
        ftp.OnStatus = [this](TIdComponent&, TIdStatus, const std::string& text) {
            statuses.push_back(text);
        };
    }
    void TearDown() override {
        server.WaitUntilFinished(5000);
        EXPECT_EQ(server.Failures(), std::vector<std::string>{});
    }
    // The greeting and an anonymous log-in as vsftpd answers it.
    testing::ScriptedServer& LoginScript() {
        return server.Send("220 (vsFTPd 3.0.3)\r\n")
            .Expect("USER anonymous")
            .Send("331 Please specify the password.\r\n")
            .Expect("PASS secret")
            .Send("230 Login successful.\r\n")
            .Expect("TYPE I")
            .Send("200 Switching to Binary mode.\r\n")
            .Expect("SYST")
            .Send("215 UNIX Type: L8\r\n")
            .Expect("FEAT")
            .Send("211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n PASV\r\n REST STREAM\r\n "
                  "SIZE\r\n TVFS\r\n211 End\r\n");
    }

    testing::ScriptedServer server;
    TIdFTP ftp;
    std::vector<std::string> statuses;
};

} // namespace tavo::engine
