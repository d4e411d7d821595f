#include "controller/certificate_text.h"

#include "engine/platform/code_page.h"

namespace tavo::controller {
namespace {

std::string Shown(const std::string& serverText, int codePage) {
    std::string text = platform::Utf8ToCodePage(serverText, codePage).value_or(serverText);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return text;
}

} // namespace

std::string CertificateText(const TCatalogue& c, const platform::TlsCertificateInfo& certificate) {
    const int page = c.CodePage;
    const std::string lineEnd = "\r\n";
    std::string text = c.CertTitle + lineEnd;
    text += c.CertSubject + Shown(certificate.Subject, page) + lineEnd;
    text += c.CertIssuer + Shown(certificate.Issuer, page) + lineEnd;
    text += c.CertValidity + Shown(certificate.NotBefore, page) + c.CertValidityTo +
            Shown(certificate.NotAfter, page) + lineEnd;
    text += c.CertFingerprint + Shown(certificate.Sha256, page) + lineEnd;
    if (!certificate.Trusted)
        text += c.CertUntrusted + lineEnd;
    if (!certificate.NameMatches)
        text += c.CertNameMismatch + lineEnd;
    // The platform's own words, for whoever wants the detail.
    if (!certificate.Problem.empty())
        text += "(" + Shown(certificate.Problem, page) + ")" + lineEnd;
    return text + c.CertQuestion;
}

} // namespace tavo::controller
