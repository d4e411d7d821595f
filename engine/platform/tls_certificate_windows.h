#pragma once
// The Windows TLS channel's helpers: what a server certificate says and what the system's
// chain engine makes of it, and the system's texts for its status codes.

#include "engine/platform/tls.h"

#include <windows.h>

#include <wincrypt.h>

#include <string>
#include <string_view>

namespace tavo::platform {

std::string Utf8FromWide(std::wstring_view wide);
std::wstring WideFromUtf8(std::string_view utf8);

// The system's message for an HRESULT, SECURITY_STATUS or Win32 error, followed by the code
// in hexadecimal ("... (0x800B0109)").
std::string SystemStatusText(long status);

// Names, validity and fingerprint of the server's `certificate`, verified against the
// system's trust store (with the intermediates the server sent, which SChannel keeps in the
// certificate's own store) and against `hostName`.
TlsCertificateInfo DescribeCertificate(PCCERT_CONTEXT certificate, const std::string& hostName);

} // namespace tavo::platform
