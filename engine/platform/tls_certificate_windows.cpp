#include "engine/platform/tls_certificate_windows.h"

#include <bcrypt.h>
#include <wininet.h> // the SECURITY_FLAG_IGNORE_* checks of the SSL chain policy

#include <cstdio>

namespace tavo::platform {
namespace {

std::string NameText(const CERT_NAME_BLOB& name) {
    auto* blob = const_cast<CERT_NAME_BLOB*>(&name);
    DWORD length = CertNameToStrW(X509_ASN_ENCODING, blob, CERT_X500_NAME_STR, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring text(length, L'\0');
    length = CertNameToStrW(X509_ASN_ENCODING, blob, CERT_X500_NAME_STR, text.data(), length);
    text.resize(length > 0 ? length - 1 : 0);
    return Utf8FromWide(text);
}

std::string TimeText(const FILETIME& time) {
    SYSTEMTIME utc;
    if (!FileTimeToSystemTime(&time, &utc))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", utc.wYear, utc.wMonth,
                  utc.wDay, utc.wHour, utc.wMinute, utc.wSecond);
    return text;
}

// SHA-256 of the DER bytes through CNG: crypt32's own CERT_SHA256_HASH_PROP_ID is missing
// from older systems' crypt32.
std::string Fingerprint(PCCERT_CONTEXT certificate) {
    unsigned char digest[32];
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return {};
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    ok = ok && BCRYPT_SUCCESS(
                   BCryptHashData(hash, certificate->pbCertEncoded, certificate->cbCertEncoded, 0));
    ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, sizeof digest, 0));
    if (hash != nullptr)
        BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok)
        return {};
    std::string text;
    for (unsigned char byte : digest) {
        char pair[4];
        std::snprintf(pair, sizeof pair, text.empty() ? "%02X" : ":%02X", byte);
        text += pair;
    }
    return text;
}

// One pass of the SSL policy (RFC 5280 path checks, then the RFC 6125 name check when
// `serverName` is given) with `ignored` problems passed over; the policy's error, or 0.
DWORD SslPolicyError(PCCERT_CHAIN_CONTEXT chain, const std::wstring* serverName, DWORD ignored) {
    HTTPSPolicyCallbackData https{};
    https.cbSize = sizeof https;
    https.dwAuthType = AUTHTYPE_SERVER;
    https.fdwChecks = ignored;
    https.pwszServerName = serverName ? const_cast<wchar_t*>(serverName->c_str()) : nullptr;
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &https;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status))
        return GetLastError();
    return status.dwError;
}

void Verify(PCCERT_CONTEXT certificate, const std::string& hostName, TlsCertificateInfo& info) {
    // A certificate for a TLS server (RFC 5280 section 4.2.1.12), or one that names no use.
    LPSTR serverUse[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    parameters.RequestedUsage.Usage.rgpszUsageIdentifier = serverUse;
    // No downloads (missing intermediates, revocation lists): this runs inside a handshake step,
    // which must not block the caller's thread for the chain engine's network timeouts.
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore,
                                 &parameters, CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL, nullptr,
                                 &chain)) {
        info.Problem = SystemStatusText(static_cast<long>(GetLastError()));
        return;
    }
    const DWORD trust = SslPolicyError(chain, nullptr, SECURITY_FLAG_IGNORE_CERT_CN_INVALID);
    // The name on its own: the policy stops at the first problem, and an unknown root comes
    // before the name.
    const std::wstring wideName = WideFromUtf8(hostName);
    const DWORD name =
        hostName.empty()
            ? static_cast<DWORD>(CERT_E_CN_NO_MATCH)
            : SslPolicyError(chain, &wideName,
                             SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_WRONG_USAGE |
                                 SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                                 SECURITY_FLAG_IGNORE_REVOCATION);
    CertFreeCertificateChain(chain);
    info.Trusted = trust == 0;
    info.NameMatches = name == 0;
    if (trust != 0)
        info.Problem = SystemStatusText(static_cast<long>(trust));
    if (name != 0 && name != trust)
        info.Problem +=
            (info.Problem.empty() ? "" : "; ") + SystemStatusText(static_cast<long>(name));
}

// Wine's message tables have no texts for these; Windows' own words.
std::string FallbackText(long status) {
    switch (static_cast<HRESULT>(status)) {
    case CERT_E_UNTRUSTEDROOT:
        return "A certificate chain processed, but terminated in a root certificate which is not "
               "trusted by the trust provider";
    case CERT_E_CHAINING:
        return "A certificate chain could not be built to a trusted root authority";
    case CERT_E_EXPIRED:
        return "A required certificate is not within its validity period when verifying against "
               "the current system clock or the timestamp in the signed file";
    case CERT_E_CN_NO_MATCH:
        return "The certificate's CN name does not match the passed value";
    case CERT_E_WRONG_USAGE:
        return "The certificate is not valid for the requested usage";
    case CERT_E_REVOKED:
        return "A certificate was explicitly revoked by its issuer";
    case TRUST_E_CERT_SIGNATURE:
        return "The signature of the certificate cannot be verified";
    case SEC_E_ILLEGAL_MESSAGE:
        return "The message received was unexpected or badly formatted";
    case SEC_E_ALGORITHM_MISMATCH:
        return "The client and server cannot communicate, because they do not possess a common "
               "algorithm";
    case SEC_E_DECRYPT_FAILURE:
        return "The specified data could not be decrypted";
    case SEC_E_MESSAGE_ALTERED:
        return "The message or signature supplied for verification has been altered";
    case SEC_E_INTERNAL_ERROR:
        return "The Local Security Authority cannot be contacted";
    default:
        return "error";
    }
}

} // namespace

std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

std::wstring WideFromUtf8(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string SystemStatusText(long status) {
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text(message != nullptr ? message : L"", length);
    if (message != nullptr)
        LocalFree(message);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    return (text.empty() ? FallbackText(status) : Utf8FromWide(text)) + " (" + code + ")";
}

TlsCertificateInfo DescribeCertificate(PCCERT_CONTEXT certificate, const std::string& hostName) {
    TlsCertificateInfo info;
    info.Subject = NameText(certificate->pCertInfo->Subject);
    info.Issuer = NameText(certificate->pCertInfo->Issuer);
    info.NotBefore = TimeText(certificate->pCertInfo->NotBefore);
    info.NotAfter = TimeText(certificate->pCertInfo->NotAfter);
    info.Sha256 = Fingerprint(certificate);
    Verify(certificate, hostName, info);
    return info;
}

} // namespace tavo::platform
