// The host forms a page may hand to SetLogin, and the TLS each asks for.

#include "controller/login_host.h"

#include <gtest/gtest.h>

namespace tavo::controller {
namespace {

using engine::utNoTLSSupport;
using engine::utUseExplicitTLS;
using engine::utUseImplicitTLS;

struct HostCase {
    const char* given;
    int32_t port;
    const char* host;
    int32_t expectedPort;
    engine::TIdUseTLS tls;
};

const HostCase Cases[] = {
    // Without a prefix the host goes to the engine as it always did, port 0 and all.
    {"ftp.example.com", 0, "ftp.example.com", 0, utNoTLSSupport},
    {"[::1]", 21, "[::1]", 21, utNoTLSSupport},
    {"ftp.example.com/", 21, "ftp.example.com/", 21, utNoTLSSupport},
    {"ftps:/ftp.example.com", 21, "ftps:/ftp.example.com", 21, utNoTLSSupport},
    {"ftp://192.0.2.1", 2121, "192.0.2.1", 2121, utNoTLSSupport},
    {"ftp://ftp.example.com/", 0, "ftp.example.com", 21, utNoTLSSupport},
    {"ftpes://ftp.example.com", 0, "ftp.example.com", 21, utUseExplicitTLS},
    {"FTPES://[2001:db8::5]/", 2121, "[2001:db8::5]", 2121, utUseExplicitTLS},
    {"ftpes://::1", 21, "::1", 21, utUseExplicitTLS},
    {"ftps://ftp.example.com", 0, "ftp.example.com", 990, utUseImplicitTLS},
    {"Ftps://[::1]//", 0, "[::1]", 990, utUseImplicitTLS},
    {"ftps://fe80::1%2", 4990, "fe80::1%2", 4990, utUseImplicitTLS},
};

TEST(LoginHostTest, EachFormGivesHostPortAndTls) {
    for (const HostCase& c : Cases) {
        const TLoginTarget target = ParseLoginHost(c.given, c.port);
        EXPECT_EQ(target.Host, c.host) << c.given;
        EXPECT_EQ(target.Port, c.expectedPort) << c.given;
        EXPECT_EQ(target.UseTLS, c.tls) << c.given;
    }
}

} // namespace
} // namespace tavo::controller
