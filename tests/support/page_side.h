#pragma once
// What the tests need of the page's and the network's side: the Base64 text a page hands
// to SetLogin, and a loopback port nobody listens on.

#include <string>

namespace tavo::testing {

// RFC 4648 Base64 with padding.
std::string Base64Encode(const std::string& bytes);

// A port on 127.0.0.1 that was free a moment ago (bound, read back, released).
int UnusedLoopbackPort();

} // namespace tavo::testing
