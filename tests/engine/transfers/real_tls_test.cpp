// FTP over TLS against two servers that insist on TLS for the log-in and the data, and on data
// connections that resume the control connection's session: vsftpd (explicit and implicit) and
// proftpd's mod_tls (explicit). Their certificate is self-signed for "localhost", so every
// session here meets the certificate check. A server's tests are skipped without it, and all of
// them where the build has no TLS.

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/errors.h"
#include "tests/support/real_servers.h"

#include <gmock/gmock.h>

using namespace tavo::engine;
using namespace tavo::engine::transfers;
using tavo::testing::RealServer;
namespace Tree = tavo::testing::TreeNames;

namespace {

struct TlsServer {
    const char* Name;
    tavo::testing::RealServerLookup (*Find)();
    // The server's own refusal of a log-in without TLS.
    int PlainRefusalCode;
    const char* PlainRefusalText;
};

const TlsServer TlsServers[] = {
    {"vsftpd", tavo::testing::FindVsftpdTls, 530, "Anonymous sessions must use encryption.\r\n"},
    // mod_tls refuses USER already, with a 550.
    {"proftpd", tavo::testing::FindProftpdTls, 550, "SSL/TLS required on the control channel\r\n"},
};

void PrintTo(const TlsServer& server, std::ostream* out) {
    *out << server.Name;
}

class RealTlsSession : public ::testing::Test {
protected:
    void Open(tavo::testing::RealServerLookup (*find)()) {
        auto lookup = find();
        if (!lookup.Server)
            GTEST_SKIP() << lookup.Missing;
        std::string why;
        if (tavo::platform::TlsChannel::CreateClient(tavo::platform::InvalidSocket, "localhost",
                                                     nullptr, why) == nullptr)
            GTEST_SKIP() << why;
        server = *lookup.Server;
        ftp.Host = server.Host;
        ftp.Port = server.Port;
        ftp.Username = server.User;
        ftp.Password = server.Password;
        ftp.ReadTimeout = 20000;
        ftp.DataAcceptTimeout = 20000;
        ftp.UseTLS = utUseExplicitTLS;
        ftp.OnVerifyPeer = [this](TIdFTP&, const tavo::platform::TlsCertificateInfo& info) {
            asked.push_back(info);
            return accept;
        };
    }

    RealServer server;
    TIdFTP ftp;
    bool accept = true;
    std::vector<tavo::platform::TlsCertificateInfo> asked;
};

class RealTls : public RealTlsSession, public ::testing::WithParamInterface<TlsServer> {
protected:
    void SetUp() override { Open(GetParam().Find); }
};

INSTANTIATE_TEST_SUITE_P(Servers, RealTls, ::testing::ValuesIn(TlsServers),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_P(RealTls, ExplicitSessionListsDownloadsAndUploadsInBothModes) {
    ftp.OpenSession(true, 10000);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Sha256, server.CertificateSha256);
    EXPECT_EQ(asked[0].Subject, "CN=localhost");
    EXPECT_FALSE(asked[0].Trusted);
    EXPECT_FALSE(asked[0].NameMatches); // the host is 127.0.0.1
    EXPECT_THAT(asked[0].NotAfter, ::testing::EndsWith(" UTC"));
    const std::string medium = ReadWholeFile(server.LocalPath(Tree::MediumFile));
    const std::string upload = PatternBytes(300000, 7);
    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        ftp.Passive = passive;
        std::vector<std::string> names;
        ftp.FetchListing(&names, "", false);
        EXPECT_THAT(names, ::testing::Contains(Tree::SmallText));
        TIdMemoryStream downloaded;
        ftp.DownloadToStream(Tree::MediumFile, downloaded, false,
                             static_cast<int64_t>(medium.size()));
        EXPECT_TRUE(downloaded.Bytes() == medium);
        const std::string name = std::string(Tree::Writable) + "/" + UniqueToken() + "-tls.bin";
        TIdMemoryStream source(upload);
        ftp.UploadFromStream(source, name, false);
        EXPECT_TRUE(ReadWholeFile(server.LocalPath(name)) == upload);
        ftp.DeleteRemoteFile(name);
    }
    // Every data connection's certificate was the control connection's: asked once only.
    EXPECT_EQ(asked.size(), 1u);
    ftp.CloseSession();
}

class RealVsftpdTls : public RealTlsSession {
protected:
    void SetUp() override { Open(tavo::testing::FindVsftpdTls); }
};

TEST_F(RealVsftpdTls, ImplicitSessionDownloads) {
    ftp.UseTLS = utUseImplicitTLS;
    ftp.Port = server.ImplicitTlsPort;
    ftp.Passive = true;
    ftp.OpenSession(true, 10000);
    TIdMemoryStream downloaded;
    ftp.DownloadToStream(Tree::SmallText, downloaded, false);
    EXPECT_EQ(downloaded.Bytes(), "Hello from the test tree.\r\n");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Sha256, server.CertificateSha256);
    ftp.CloseSession();
}

TEST_P(RealTls, RefusedCertificateEndsTheSessionBeforeTheLogIn) {
    accept = false;
    EXPECT_THROW(ftp.OpenSession(true, 10000), EIdCertificateRejected);
    EXPECT_FALSE(ftp.IsConnected());
    ftp.OnVerifyPeer = nullptr; // nobody to ask: refused as well
    EXPECT_THROW(ftp.OpenSession(true, 10000), EIdCertificateRejected);
    EXPECT_EQ(asked.size(), 1u);
}

TEST_P(RealTls, PlainLogInIsRefusedByTheServer) {
    ftp.UseTLS = utNoTLSSupport;
    try {
        ftp.OpenSession(true, 10000);
        FAIL() << "a plain log-in should be refused";
    } catch (const EIdProtocolReplyError& error) {
        EXPECT_EQ(error.ReplyErrorCode, GetParam().PlainRefusalCode);
        EXPECT_STREQ(error.what(), GetParam().PlainRefusalText);
    }
    EXPECT_TRUE(asked.empty());
}

} // namespace
