#pragma once
// The host a page hands to SetLogin, and the TLS it asks for by its form (RFC 4217):
//   "ftpes://HOST"  explicit TLS (AUTH TLS on the FTP port)
//   "ftps://HOST"   implicit TLS (TLS from the first byte, port 990)
//   "ftp://HOST"    plain FTP
// in any letter case, HOST a name, an IPv4 address, or an IPv6 address with or without
// brackets, and a trailing "/" left off. A host without one of these prefixes is taken as it
// stands, port and all, exactly as before the prefixes existed.

#include "engine/ftp/id_ftp.h"

#include <cstdint>
#include <string>

namespace tavo::controller {

struct TLoginTarget {
    std::string Host; // as the engine takes it
    int32_t Port = 0;
    engine::TIdUseTLS UseTLS = engine::utNoTLSSupport;
};

// Port 0 with a prefix stands for its protocol's port: 990 for ftps, 21 for the others.
TLoginTarget ParseLoginHost(const std::string& host, int32_t port);

} // namespace tavo::controller
