// A session that asks for TLS through the host's form, against the scripted server with a
// self-signed certificate: the box about the certificate in both editions, Yes and No.

#include "tests/controller/controller_fixture.h"

#include "tests/support/tls_server.h"

#include <gmock/gmock.h>

namespace tavo::testing {
namespace {

using namespace controller;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

void ScriptTlsSession(ScriptedServer& server, const TlsServerCertificate& certificate) {
    server.Send("220 Scripted\r\n").Expect("AUTH TLS").Send("234 Proceed\r\n");
    server.LayerControl(certificate.Layer()).Expect("USER u").Send("331 Password\r\n");
    server.Expect("PASS p").Send("230 In\r\n").Expect("PBSZ 0").Send("200 PBSZ=0\r\n");
    server.Expect("PROT P").Send("200 Private\r\n").Expect("TYPE I").Send("200 Binary\r\n");
    server.Expect("SYST").Send("215 UNIX Type: L8\r\n").Expect("FEAT").Send("502 No\r\n");
    server.Expect("CWD /").Send("250 Changed\r\n").Expect("PASV").ReplyPasv().Expect("LIST");
    server.AcceptData().Send("150 Here\r\n").LayerData(certificate.Layer());
    server.SendData(OneFileListing).CloseData().Send("226 Done\r\n");
}

class TlsSessionTest : public ControllerTest,
                       public ::testing::WithParamInterface<const TCatalogue*> {
protected:
    void SetLogin() { tavo->Set_Login("ftpes://localhost/", "u", server.Port(), "cA=="); }
    TlsServerCertificate certificate{"localhost"};
};

TEST_P(TlsSessionTest, YesGoesOnOverTlsAndIsNotAskedAgain) {
    Make(*GetParam());
    ScriptTlsSession(server, certificate);
    server.Expect("QUIT").AcceptControl();
    ScriptTlsSession(server, certificate);
    server.Start();
    view.Answers = {mrYes};
    SetLogin();
    ASSERT_EQ(view.Entries("confirm:").size(), 1u);
    const std::string box = view.Entries("confirm:")[0];
    for (const std::string& part :
         {cat->CertTitle, cat->CertSubject + "CN=localhost",
          cat->CertFingerprint + certificate.Sha256(), cat->CertUntrusted, cat->CertQuestion})
        EXPECT_THAT(box, HasSubstr(part));
    EXPECT_THAT(box, Not(HasSubstr(cat->CertNameMismatch)));
    EXPECT_EQ(view.ConnectCaption, cat->CaptionDisconnect);
    EXPECT_EQ(view.RowNames(), (Lines{"..", "a.txt"}));
    const Lines trace = view.Entries("trace:");
    for (const char* line : {"->> AUTH TLS", "<<- 234 Proceed", "->> PBSZ 0", "->> PROT P"})
        EXPECT_THAT(trace, Contains(line));
    EXPECT_THAT(trace, Not(Contains(HasSubstr("PASS"))));

    tavo->ConnectButtonClick();
    EXPECT_EQ(view.ConnectCaption, cat->CaptionConnect);
    SetLogin(); // the same certificate: no second box
    EXPECT_EQ(view.ConnectCaption, cat->CaptionDisconnect);
    EXPECT_EQ(view.Entries("confirm:").size(), 1u);
    EXPECT_EQ(view.Entries("box:"), Lines{});
    Commands();
}

TEST_P(TlsSessionTest, NoDisconnectsAsAFailedConnectDoes) {
    Make(*GetParam());
    server.Send("220 Scripted\r\n")
        .Expect("AUTH TLS")
        .Send("234 Proceed\r\n")
        .LayerControl(certificate.Layer())
        .ExpectClosed();
    server.Start();
    view.Answers = {mrNo};
    SetLogin();
    EXPECT_EQ(view.Entries("box:"), (Lines{cat->MsgConnectFailed, cat->MsgListNetworkError}));
    EXPECT_EQ(view.ConnectCaption, cat->CaptionConnect);
    EXPECT_EQ(Commands(), Lines{"AUTH TLS"});
}

INSTANTIATE_TEST_SUITE_P(Editions, TlsSessionTest,
                         ::testing::Values(&ChineseCatalogue(), &EnglishCatalogue()),
                         [](const ::testing::TestParamInfo<const TCatalogue*>& info) {
                             return info.param == &ChineseCatalogue() ? "Chinese" : "English";
                         });

} // namespace
} // namespace tavo::testing
