// FTP over TLS (RFC 4217): the control connection's handshake and the server's certificate,
// the data connections' protection, and their handshakes.

#include "engine/core/errors.h"
#include "engine/ftp/id_ftp.h"

namespace tavo::engine {

std::string TIdFTP::TLSServerName() const {
    return UnbracketHost(Host);
}

void TIdFTP::CheckCertificate(const platform::TlsCertificateInfo& certificate) {
    if (certificate.Trusted && certificate.NameMatches)
        return;
    if (!OnVerifyPeer || !OnVerifyPeer(*this, certificate))
        throw EIdCertificateRejected(certificate.Sha256, certificate.Problem);
}

void TIdFTP::SecureControlConnection() {
    // Bytes that came before the handshake were not protected: a reply in them would pass for
    // one the server sent over TLS (plain-text injection by anyone on the path).
    if (!InputBuffer().Empty())
        throw EIdTLSHandshakeFailed("the server sent more after its reply to AUTH TLS.");
    StartTLS(TLSServerName(), nullptr, ReadTimeout);
    PeerCertificate = TLS()->PeerCertificate();
    CheckCertificate(PeerCertificate);
}

// RFC 2228 has PBSZ before PROT; over TLS the buffer size is always 0 (RFC 4217).
void TIdFTP::ProtectDataConnections() {
    IssueCommand("PBSZ 0", {200});
    IssueCommand("PROT P", {200});
    dataProtected_ = true;
}

void TIdFTP::SecureDataConnection(TIdTCPConnection& channel) {
    if (!dataProtected_)
        return;
    // Servers may insist that the data connection resumes the control connection's session
    // (RFC 4217 section 10.2; vsftpd's require_ssl_reuse).
    channel.StartTLS(TLSServerName(), TLS(), ReadTimeout > 0 ? ReadTimeout : DataStallTimeout);
    const platform::TlsChannel& tls = *channel.TLS();
    // A resumed session proves the peer holds the control session's keys.
    if (tls.SessionResumed())
        return;
    const platform::TlsCertificateInfo certificate = tls.PeerCertificate();
    if (!certificate.Sha256.empty() && certificate.Sha256 == PeerCertificate.Sha256)
        return;
    CheckCertificate(certificate);
}

} // namespace tavo::engine
