// A listing, a download and an upload through real servers listening on [::1], in passive and
// active mode: the extended commands (RFC 2428) as vsftpd and pyftpdlib answer them. Skipped
// when the run started no [::1] servers.

#include "tests/engine/transfers/transfer_support.h"

#include "engine/core/id_intercept.h"
#include "tests/support/real_servers.h"

#include <gmock/gmock.h>

#include <tuple>

using namespace tavo::engine;
using namespace tavo::engine::transfers;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;
namespace Tree = tavo::testing::TreeNames;

namespace {

enum class Server { Vsftpd, Pyftpdlib };

class RealIpv6 : public ::testing::TestWithParam<std::tuple<Server, bool>> {};

TEST_P(RealIpv6, ListsDownloadsAndUploads) {
    const bool passive = std::get<1>(GetParam());
    TAVO_REAL_SERVER_OR_SKIP(server, std::get<0>(GetParam()) == Server::Vsftpd
                                         ? tavo::testing::FindVsftpd6()
                                         : tavo::testing::FindPyftpd6());
    TIdFTP ftp;
    TIdLogEvent trace;
    trace.Active = true;
    trace.LogTime = false;
    Lines sent;
    trace.OnSent = [&](TIdLogEvent&, const std::string&, const std::string& d) {
        sent.push_back(d);
    };
    ftp.Intercept = &trace;
    ftp.Host = server.Host;
    ftp.Port = server.Port;
    ftp.Username = server.User;
    ftp.Password = server.Password;
    ftp.Passive = passive;
    ftp.ReadTimeout = 30000;
    ftp.DataAcceptTimeout = 30000;
    ftp.OpenSession(true, 10000);
    EXPECT_EQ(ftp.Socket()->PeerIP, "::1");

    ftp.ChangeDirectory("/");
    Lines listing;
    ftp.FetchListing(&listing, "", true);
    EXPECT_THAT(listing, Contains(HasSubstr(Tree::SmallText)));

    TIdMemoryStream small;
    ftp.DownloadToStream(Tree::SmallText, small, false);
    EXPECT_EQ(small.Bytes(), ReadWholeFile(server.LocalPath(Tree::SmallText)));

    const std::string payload = PatternBytes(100000, 6);
    const std::string remote = std::string(Tree::Writable) + "/" + UniqueToken() + "-v6.bin";
    TIdMemoryStream upload;
    upload.Write(payload.data(), payload.size());
    upload.Seek(0);
    ftp.UploadFromStream(upload, remote, false);
    EXPECT_EQ(ReadWholeFile(server.LocalPath(remote)), payload);
    ftp.DeleteRemoteFile(remote);
    ftp.CloseSession();

    // Three transfers, each opened with the extended command and never with PASV or PORT.
    int extended = 0;
    for (const std::string& line : sent) {
        EXPECT_THAT(line, ::testing::Not(StartsWith(passive ? "PASV" : "PORT")));
        extended += passive ? line == "EPSV<EOL>" : line.rfind("EPRT |2|::1|", 0) == 0;
    }
    EXPECT_EQ(extended, 3) << ::testing::PrintToString(sent);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, RealIpv6,
    ::testing::Combine(::testing::Values(Server::Vsftpd, Server::Pyftpdlib), ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<Server, bool>>& info) {
        return std::string(std::get<0>(info.param) == Server::Vsftpd ? "Vsftpd" : "Pyftpdlib") +
               (std::get<1>(info.param) ? "Passive" : "Active");
    });

} // namespace
