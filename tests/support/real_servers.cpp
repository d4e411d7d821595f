#include "tests/support/real_servers.h"

#include <cstdlib>

namespace tavo::testing {
namespace {

std::optional<std::string> Variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

RealServerLookup Find(const std::string& name, const std::string& prefix,
                      const std::string& defaultUser) {
    RealServerLookup lookup;
    auto port = Variable(prefix + "_PORT");
    auto root = Variable(prefix + "_ROOT");
    if (!port || !root) {
        lookup.Missing = name + " is not running for this test run (" + prefix + "_PORT and " +
                         prefix + "_ROOT are not set; scripts/test.sh or " +
                         "scripts/with-servers.sh start it)";
        return lookup;
    }
    RealServer server;
    server.Name = name;
    server.Host = Variable(prefix + "_HOST").value_or("127.0.0.1");
    server.Port = std::atoi(port->c_str());
    server.User = Variable(prefix + "_USER").value_or(defaultUser);
    server.Password = Variable(prefix + "_PASS").value_or("");
    server.Root = LocalPathFromUnix(*root);
    if (server.Port <= 0 || server.Port > 65535) {
        lookup.Missing = prefix + "_PORT is not a port: " + *port;
        return lookup;
    }
    lookup.Server = server;
    return lookup;
}

RealServerLookup FindTls(const std::string& name, const std::string& prefix,
                         const std::string& defaultUser) {
    RealServerLookup lookup = Find(name, prefix, defaultUser);
    if (lookup.Server) {
        lookup.Server->ImplicitTlsPort =
            std::atoi(Variable(prefix + "_IMPLICIT_PORT").value_or("0").c_str());
        lookup.Server->CertificateSha256 = Variable(prefix + "_SHA256").value_or("");
        // Where sessions are not resumed, the twin that lets data connections start afresh.
        if (!TlsSessionsResume())
            lookup.Server->Port =
                std::atoi(Variable(prefix + "_LENIENT_PORT").value_or("0").c_str());
    }
    return lookup;
}

} // namespace

std::string RealServer::LocalPath(const std::string& relative) const {
    std::string path = Root;
    if (!path.empty() && path.back() != LocalPathSeparator())
        path += LocalPathSeparator();
    for (char c : relative)
        path += c == '/' ? LocalPathSeparator() : c;
    return path;
}

RealServerLookup FindVsftpd() {
    return Find("vsftpd", "TAVO_VSFTPD", "anonymous");
}

RealServerLookup FindPyftpd() {
    return Find("pyftpdlib", "TAVO_PYFTPD", "tavo");
}

RealServerLookup FindVsftpd6() {
    return Find("vsftpd on [::1]", "TAVO_VSFTPD6", "anonymous");
}

RealServerLookup FindPyftpd6() {
    return Find("pyftpdlib on [::1]", "TAVO_PYFTPD6", "tavo");
}

RealServerLookup FindVsftpdTls() {
    return FindTls("vsftpd with TLS", "TAVO_VSFTPDTLS", "anonymous");
}

RealServerLookup FindProftpdTls() {
    return FindTls("proftpd with TLS", "TAVO_PROFTPDTLS", "tavo");
}

std::int64_t BigFileBytes() {
    auto bytes = Variable("TAVO_BIG_FILE_BYTES");
    return bytes ? std::strtoll(bytes->c_str(), nullptr, 10) : 268435456;
}

void VsftpdTest::SetUp() {
    auto lookup = FindVsftpd();
    if (!lookup.Server)
        GTEST_SKIP() << lookup.Missing;
    server = *lookup.Server;
}

void PyftpdTest::SetUp() {
    auto lookup = FindPyftpd();
    if (!lookup.Server)
        GTEST_SKIP() << lookup.Missing;
    server = *lookup.Server;
}

} // namespace tavo::testing
