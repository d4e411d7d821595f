#pragma once
// Where the real FTP servers of a test run are. scripts/test.sh (or scripts/with-servers.sh)
// starts vsftpd and pyftpdlib on 127.0.0.1 once per run and exports:
//
//   TAVO_VSFTPD_HOST, TAVO_VSFTPD_PORT, TAVO_VSFTPD_USER, TAVO_VSFTPD_PASS, TAVO_VSFTPD_ROOT
//   TAVO_PYFTPD_HOST, TAVO_PYFTPD_PORT, TAVO_PYFTPD_USER, TAVO_PYFTPD_PASS, TAVO_PYFTPD_ROOT
//   TAVO_BIG_FILE_BYTES  (size of big.bin)
//
// and, where the machine has an IPv6 loopback, the same two servers on [::1] serving the same
// trees: TAVO_VSFTPD6_*, TAVO_PYFTPD6_* (HOST is "[::1]"). vsftpd's tree is served over TLS
// only by TAVO_VSFTPDTLS_* (explicit, and implicit on TAVO_VSFTPDTLS_IMPLICIT_PORT), with a
// self-signed certificate for "localhost" whose fingerprint is TAVO_VSFTPDTLS_SHA256. Its explicit
// port insists that data connections resume the control connection's session; the implicit port
// and TAVO_VSFTPDTLS_LENIENT_PORT (explicit) do not. proftpd serves a small tree of its own (no
// big.bin, no many/) over TLS only, by TAVO_PROFTPDTLS_* (explicit, user TAVO_PROFTPDTLS_USER
// with a password, the same certificate), with the same two ports for resuming or not.
//
// Roots are Unix paths; RealServer::Root is the same folder as this program can open it
// (Z:\... under Wine). A program run by hand without them skips its real-server tests.
// A client sees every root as "/": vsftpd and proftpd confine their sessions to the tree
// (chroot), and pyftpdlib serves a virtual root.
//
// Both roots hold the same tree (see TreeNames). vsftpd serves anonymously (empty password);
// its root is read-only and "incoming" is writable. pyftpdlib logs in TAVO_PYFTPD_USER with a
// password and may write anywhere below its root.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tavo::testing {

struct RealServer {
    std::string Name; // "vsftpd" or "pyftpdlib"
    std::string Host;
    int Port = 0;
    std::string User;
    std::string Password;
    std::string Root; // the served folder, as a path this program can open
    // The TLS servers only: the implicit one's port (0 for none) and the certificate's SHA-256
    // fingerprint.
    int ImplicitTlsPort = 0;
    std::string CertificateSha256;
    // The served file at a path relative to the root ("sub/nested.txt"), for this program.
    std::string LocalPath(const std::string& relative) const;
};

struct RealServerLookup {
    std::optional<RealServer> Server;
    std::string Missing; // why there is none: which variable is absent
};

RealServerLookup FindVsftpd();
RealServerLookup FindPyftpd();
RealServerLookup FindVsftpd6();
RealServerLookup FindPyftpd6();
// The TLS servers' lookups give the port whose data connections this program can open: the
// lenient twin where TLS sessions are not resumed (TlsSessionsResume).
RealServerLookup FindVsftpdTls();
RealServerLookup FindProftpdTls();

// The test tree in both roots.
namespace TreeNames {
inline constexpr const char* SmallText = "small.txt"; // "Hello from the test tree.\r\n"
inline constexpr const char* SpacedName = "name with spaces.txt";
inline constexpr const char* EmptyFile = "empty.bin";   // 0 bytes
inline constexpr const char* MediumFile = "medium.bin"; // 1 MiB + 123 bytes, pseudo-random
inline constexpr const char* BigFile = "big.bin";       // TAVO_BIG_FILE_BYTES, pseudo-random
inline constexpr const char* EmptyDir = "empty-dir";
inline constexpr const char* Symlink = "link-to-small.txt"; // -> small.txt
inline constexpr const char* ManyDir = "many";              // f00000 .. f09999, empty files
inline constexpr int ManyCount = 10000;
inline constexpr const char* SubDir = "sub";        // holds nested.txt
inline constexpr const char* Writable = "incoming"; // writable (mode 777)
} // namespace TreeNames

// Size of big.bin in this run (268435456 unless the run chose another).
std::int64_t BigFileBytes();

// Test fixtures that skip, with the reason, when their server is not running.
class VsftpdTest : public ::testing::Test {
protected:
    void SetUp() override;
    RealServer server;
};

class PyftpdTest : public ::testing::Test {
protected:
    void SetUp() override;
    RealServer server;
};

// For tests outside those fixtures:
//   TAVO_REAL_SERVER_OR_SKIP(server, FindPyftpd());
#define TAVO_REAL_SERVER_OR_SKIP(name, lookup)                                                     \
    const ::tavo::testing::RealServerLookup name##Lookup = (lookup);                               \
    if (!name##Lookup.Server)                                                                      \
        GTEST_SKIP() << name##Lookup.Missing;                                                      \
    const ::tavo::testing::RealServer& name = *name##Lookup.Server

// The Unix path as this program opens it (the same path natively; Z:\... under Wine).
std::string LocalPathFromUnix(const std::string& unixPath);
// The separator of this program's paths.
char LocalPathSeparator();
// Whether a TLS data connection here resumes the control connection's session, as servers
// such as vsftpd insist by default: not under Wine, whose SChannel keeps no session cache.
bool TlsSessionsResume();

} // namespace tavo::testing
