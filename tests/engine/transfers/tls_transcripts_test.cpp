// FTP over TLS against the scripted server, for what vsftpd will not do on demand: a refused
// AUTH TLS, a handshake cut off, plain bytes where TLS belongs, a certificate for another name.
// Each case is the server's script, the error the session must raise, and the commands the
// server saw.

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/errors.h"
#include "tests/support/tls_server.h"

using namespace tavo::engine;
using namespace tavo::engine::transfers;
using tavo::testing::ScriptedServer;
using tavo::testing::TlsServerCertificate;

namespace {

// The greeting and AUTH TLS accepted, then the control connection's handshake.
ScriptedServer& Secure(ScriptedServer& server, const TlsServerCertificate& certificate) {
    return server.Send("220 (vsFTPd 3.0.3)\r\n")
        .Expect("AUTH TLS")
        .Send("234 Proceed with negotiation.\r\n")
        .LayerControl(certificate.Layer());
}

struct TlsCase {
    const char* name;
    // The certificate's name; the session asks for "localhost", and accepts a certificate
    // that names it, as a user who checked it would.
    const char* certificateName;
    std::function<void(ScriptedServer&, const TlsServerCertificate&)> script;
    // Runs the session and checks what it raised.
    std::function<void(TIdFTP&)> run;
    Lines commands;
};

const TlsCase Cases[] = {
    {"RefusedAuthTlsSendsNoLogIn",
     "localhost",
     [](ScriptedServer& s, const TlsServerCertificate&) {
         s.Send("220 hi\r\n").Expect("AUTH TLS").Send("502 Not implemented.\r\n").ExpectClosed();
     },
     [](TIdFTP& ftp) {
         try {
             ftp.OpenSession();
             ADD_FAILURE() << "AUTH TLS was refused";
         } catch (const EIdAuthTLSRefused& error) {
             EXPECT_EQ(error.ReplyErrorCode, 502);
         }
     },
     {"AUTH TLS"}},
    {"HandshakeCutAfter234",
     "localhost",
     [](ScriptedServer& s, const TlsServerCertificate&) {
         s.Send("220 hi\r\n").Expect("AUTH TLS").Send("234 Proceed.\r\n").CloseControl();
     },
     [](TIdFTP& ftp) { EXPECT_THROW(ftp.OpenSession(), EIdTLSHandshakeFailed); },
     {"AUTH TLS"}},
    {"PlainReplyAfter234IsNotTaken",
     "localhost",
     [](ScriptedServer& s, const TlsServerCertificate&) {
         s.Send("220 hi\r\n")
             .Expect("AUTH TLS")
             .Send("234 Go.\r\n230 Logged in.\r\n")
             .ExpectClosed();
     },
     [](TIdFTP& ftp) { EXPECT_THROW(ftp.OpenSession(), EIdTLSHandshakeFailed); },
     {"AUTH TLS"}},
    {"CertificateForAnotherNameRefused",
     "other.example",
     [](ScriptedServer& s, const TlsServerCertificate& c) { Secure(s, c).ExpectClosed(); },
     [](TIdFTP& ftp) { EXPECT_THROW(ftp.OpenSession(), EIdCertificateRejected); },
     {"AUTH TLS"}},
    {"PlainDataAfterProtPFails",
     "localhost",
     [](ScriptedServer& s, const TlsServerCertificate& c) {
         Secure(s, c).Expect("USER anonymous").Send("230 Login successful.\r\n");
         s.Expect("PBSZ 0").Send("200 PBSZ set to 0.\r\n").Expect("PROT P").Send("200 P.\r\n");
         s.Expect("TYPE I").Send("200 I.\r\n").Expect("SYST").Send("215 UNIX Type: L8\r\n");
         s.Expect("FEAT").Send("211 End\r\n").Expect("PASV").ReplyPasv().AcceptData();
         s.Expect("LIST").Send("150 Here comes the directory listing.\r\n");
         s.SendDataUntilClosed("-rw-r--r--    1 0        0      27 Dec 09 04:56 a.txt\r\n");
         s.CloseData().Send("226 Directory send OK.\r\n");
     },
     [](TIdFTP& ftp) {
         ftp.OpenSession();
         EXPECT_THROW(ftp.FetchListing(nullptr, "", true), EIdTLSHandshakeFailed);
         EXPECT_TRUE(ftp.ListingLines.ToVector().empty());
         EXPECT_TRUE(ftp.IsConnected()); // the transfer's 226 was read: still in step
     },
     {"AUTH TLS", "USER anonymous", "PBSZ 0", "PROT P", "TYPE I", "SYST", "FEAT", "PASV", "LIST"}},
};

class TlsTranscripts : public ::testing::TestWithParam<TlsCase> {};

TEST_P(TlsTranscripts, Run) {
    const TlsCase& c = GetParam();
    TlsServerCertificate certificate(c.certificateName);
    ScriptedServer server;
    server.StepTimeout(5000).IdleLimit(5000);
    c.script(server, certificate);
    server.Start();
    std::vector<tavo::platform::TlsCertificateInfo> asked;
    {
        TIdFTP ftp;
        ftp.Host = "localhost";
        ftp.Port = server.Port();
        ftp.Username = "anonymous";
        ftp.ReadTimeout = 5000;
        ftp.PendingReplyTimeout = 1000;
        ftp.Passive = true;
        ftp.UseTLS = utUseExplicitTLS;
        ftp.OnVerifyPeer = [&](TIdFTP&, const tavo::platform::TlsCertificateInfo& info) {
            asked.push_back(info);
            return info.NameMatches;
        };
        c.run(ftp);
    }
    EXPECT_TRUE(server.WaitUntilDone(5000));
    EXPECT_EQ(server.Failures(), Lines{});
    // A server that closes at once may still have read the client's hello (a TLS record,
    // 0x16) as if it were command lines: what came from it on is not a command.
    Lines commands = server.ReceivedCommands();
    commands.erase(std::find_if(commands.begin(), commands.end(),
                                [](const std::string& line) { return line.starts_with('\x16'); }),
                   commands.end());
    EXPECT_EQ(commands, c.commands);
    // Asked once, about the server's own certificate.
    for (const auto& info : asked) {
        EXPECT_EQ(asked.size(), 1u);
        EXPECT_EQ(info.Sha256, certificate.Sha256());
        EXPECT_EQ(info.Subject, std::string("CN=") + c.certificateName);
        EXPECT_FALSE(info.Trusted);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TlsTranscripts, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TlsCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
