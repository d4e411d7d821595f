// The TLS channel through GnuTLS. The channel's bytes go through the platform's own socket calls
// (SendSocket, ReceiveSocket), so errors keep the Windows Sockets numbering the engine speaks
// and a peer that vanished cannot raise SIGPIPE.

#include "engine/platform/tls.h"

#include <gnutls/gnutls.h>
#include <gnutls/x509.h>

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <memory>
#include <mutex>

namespace tavo::platform {
namespace {

using Credentials = std::shared_ptr<gnutls_certificate_credentials_st>;

// One set of credentials for the process: reading the system's trust store takes a while, and
// every data connection would read it again.
Credentials SystemCredentials(std::string& errorText) {
    static std::mutex lock;
    static Credentials shared;
    std::lock_guard guard(lock);
    if (shared != nullptr)
        return shared;
    gnutls_certificate_credentials_t raw = nullptr;
    if (int rc = gnutls_certificate_allocate_credentials(&raw); rc < 0) {
        errorText = gnutls_strerror(rc);
        return nullptr;
    }
    // A machine without a trust store still speaks TLS: every certificate is then untrusted
    // and its acceptance left to the caller.
    gnutls_certificate_set_x509_system_trust(raw);
    shared.reset(raw, gnutls_certificate_free_credentials);
    return shared;
}

// RFC 6066 section 3: a numeric address is never sent as the server name.
bool IsNumericAddress(const std::string& name) {
    unsigned char address[16];
    const std::string bare = name.substr(0, name.find('%'));
    return inet_pton(AF_INET, bare.c_str(), address) == 1 ||
           inet_pton(AF_INET6, bare.c_str(), address) == 1;
}

std::string UtcText(time_t when) {
    if (when == static_cast<time_t>(-1))
        return {};
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

std::string HexPairs(const unsigned char* bytes, size_t count) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ':';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// Takes over a datum GnuTLS allocated.
std::string TakeText(gnutls_datum_t& datum) {
    std::string text(reinterpret_cast<const char*>(datum.data), datum.size);
    gnutls_free(datum.data);
    return text;
}

class GnuTlsChannel final : public TlsChannel {
public:
    GnuTlsChannel(SocketHandle socket, std::string serverName, Credentials credentials)
        : socket_(socket), serverName_(std::move(serverName)),
          credentials_(std::move(credentials)) {}
    ~GnuTlsChannel() override {
        if (session_ != nullptr)
            gnutls_deinit(session_);
    }
    GnuTlsChannel(const GnuTlsChannel&) = delete;
    GnuTlsChannel& operator=(const GnuTlsChannel&) = delete;

    bool Init(const TlsChannel* resumeFrom, std::string& errorText);

    TlsStep Handshake() override;
    TlsCertificateInfo PeerCertificate() const override { return peer_; }
    bool SessionResumed() const override {
        return handshakeDone_ && gnutls_session_is_resumed(session_) != 0;
    }
    int Send(const void* data, int count, int& error) override;
    int Receive(void* data, int count, int& error) override;
    int BytesWaiting() const override {
        return handshakeDone_ ? static_cast<int>(gnutls_record_check_pending(session_)) : 0;
    }
    void Shutdown() override;
    std::string LastErrorText() const override { return lastError_; }

private:
    static ssize_t Push(gnutls_transport_ptr_t self, const void* data, size_t size);
    static ssize_t Pull(gnutls_transport_ptr_t self, void* data, size_t size);
    static int PullTimeout(gnutls_transport_ptr_t self, unsigned int milliseconds);
    // Records the socket call's failure for GnuTLS (errno) and for the caller.
    ssize_t SocketFailed(int error);
    // -1 with `error` for a failed record call.
    int RecordFailed(ssize_t rc, int& error);
    std::string ErrorText(int rc) const;
    void ReadPeerCertificate();

    SocketHandle socket_;
    std::string serverName_;
    Credentials credentials_;
    gnutls_session_t session_ = nullptr;
    bool handshakeDone_ = false;
    int socketError_ = 0;
    std::string lastError_;
    TlsCertificateInfo peer_;
};

bool GnuTlsChannel::Init(const TlsChannel* resumeFrom, std::string& errorText) {
    int rc = gnutls_init(&session_, GNUTLS_CLIENT);
    if (rc >= 0)
        rc = gnutls_set_default_priority(session_);
    if (rc >= 0)
        rc = gnutls_credentials_set(session_, GNUTLS_CRD_CERTIFICATE, credentials_.get());
    if (rc >= 0 && !serverName_.empty() && !IsNumericAddress(serverName_))
        rc = gnutls_server_name_set(session_, GNUTLS_NAME_DNS, serverName_.data(),
                                    serverName_.size());
    if (rc < 0) {
        errorText = gnutls_strerror(rc);
        return false;
    }
    gnutls_transport_set_ptr(session_, this);
    gnutls_transport_set_push_function(session_, Push);
    gnutls_transport_set_pull_function(session_, Pull);
    gnutls_transport_set_pull_timeout_function(session_, PullTimeout);
    // The caller times the handshake's waits itself.
    gnutls_handshake_set_timeout(session_, 0);

    // RFC 4217 section 10.2: a data connection offers the control connection's session. Under
    // TLS 1.3 that exists only once the server's ticket came; asking for it earlier would make
    // GnuTLS wait on the other channel's socket.
    const auto* from = dynamic_cast<const GnuTlsChannel*>(resumeFrom);
    if (from != nullptr && from->handshakeDone_ &&
        (gnutls_protocol_get_version(from->session_) != GNUTLS_TLS1_3 ||
         (gnutls_session_get_flags(from->session_) & GNUTLS_SFLAGS_SESSION_TICKET) != 0)) {
        gnutls_datum_t data{};
        if (gnutls_session_get_data2(from->session_, &data) >= 0) {
            gnutls_session_set_data(session_, data.data, data.size);
            gnutls_free(data.data);
        }
    }
    return true;
}

ssize_t GnuTlsChannel::SocketFailed(int error) {
    socketError_ = error;
    gnutls_transport_set_errno(session_, error == ErrWouldBlock    ? EAGAIN
                                         : error == ErrInterrupted ? EINTR
                                                                   : EIO);
    return -1;
}

ssize_t GnuTlsChannel::Push(gnutls_transport_ptr_t self, const void* data, size_t size) {
    auto& channel = *static_cast<GnuTlsChannel*>(self);
    int error = 0;
    const int n =
        SendSocket(channel.socket_, data, static_cast<int>(std::min<size_t>(size, INT_MAX)), error);
    return n < 0 ? channel.SocketFailed(error) : n;
}

ssize_t GnuTlsChannel::Pull(gnutls_transport_ptr_t self, void* data, size_t size) {
    auto& channel = *static_cast<GnuTlsChannel*>(self);
    int error = 0;
    const int n = ReceiveSocket(channel.socket_, data,
                                static_cast<int>(std::min<size_t>(size, INT_MAX)), error);
    return n < 0 ? channel.SocketFailed(error) : n;
}

int GnuTlsChannel::PullTimeout(gnutls_transport_ptr_t self, unsigned int milliseconds) {
    auto& channel = *static_cast<GnuTlsChannel*>(self);
    int error = 0;
    const int wait = milliseconds == GNUTLS_INDEFINITE_TIMEOUT
                         ? -1
                         : static_cast<int>(std::min<unsigned int>(milliseconds, INT_MAX));
    const int rc = WaitReadable(channel.socket_, wait, error);
    return rc < 0 ? static_cast<int>(channel.SocketFailed(error)) : rc;
}

std::string GnuTlsChannel::ErrorText(int rc) const {
    std::string text = gnutls_strerror(rc);
    if (rc == GNUTLS_E_FATAL_ALERT_RECEIVED || rc == GNUTLS_E_WARNING_ALERT_RECEIVED)
        text += std::string(" (") + gnutls_alert_get_name(gnutls_alert_get(session_)) + ")";
    else if ((rc == GNUTLS_E_PULL_ERROR || rc == GNUTLS_E_PUSH_ERROR) && socketError_ != 0)
        text += " (socket error " + std::to_string(socketError_) + ")";
    return text;
}

TlsStep GnuTlsChannel::Handshake() {
    for (;;) {
        const int rc = gnutls_handshake(session_);
        if (rc == GNUTLS_E_SUCCESS) {
            handshakeDone_ = true;
            ReadPeerCertificate();
            return TlsStep::Done;
        }
        if (rc == GNUTLS_E_AGAIN || rc == GNUTLS_E_INTERRUPTED)
            return gnutls_record_get_direction(session_) == 1 ? TlsStep::WantWrite
                                                              : TlsStep::WantRead;
        // A warning alert: the handshake goes on.
        if (gnutls_error_is_fatal(rc) == 0)
            continue;
        lastError_ = ErrorText(rc);
        return TlsStep::Failed;
    }
}

void GnuTlsChannel::ReadPeerCertificate() {
    peer_ = {};
    unsigned int count = 0;
    const gnutls_datum_t* chain = gnutls_certificate_get_peers(session_, &count);
    gnutls_x509_crt_t certificate = nullptr;
    if (chain == nullptr || count == 0 || gnutls_x509_crt_init(&certificate) < 0) {
        peer_.Problem = "The server sent no certificate.";
        return;
    }
    if (gnutls_x509_crt_import(certificate, &chain[0], GNUTLS_X509_FMT_DER) >= 0) {
        gnutls_datum_t dn{};
        if (gnutls_x509_crt_get_dn3(certificate, &dn, 0) >= 0)
            peer_.Subject = TakeText(dn);
        if (gnutls_x509_crt_get_issuer_dn3(certificate, &dn, 0) >= 0)
            peer_.Issuer = TakeText(dn);
        peer_.NotBefore = UtcText(gnutls_x509_crt_get_activation_time(certificate));
        peer_.NotAfter = UtcText(gnutls_x509_crt_get_expiration_time(certificate));
        peer_.NameMatches =
            gnutls_x509_crt_check_hostname2(certificate, serverName_.c_str(), 0) != 0;
    }
    gnutls_x509_crt_deinit(certificate);
    unsigned char digest[32];
    size_t size = sizeof digest;
    if (gnutls_fingerprint(GNUTLS_DIG_SHA256, &chain[0], digest, &size) >= 0)
        peer_.Sha256 = HexPairs(digest, size);

    unsigned int status = 0;
    if (int rc = gnutls_certificate_verify_peers2(session_, &status); rc < 0) {
        peer_.Problem = gnutls_strerror(rc);
    } else if (status != 0) {
        gnutls_datum_t text{};
        if (gnutls_certificate_verification_status_print(status, GNUTLS_CRT_X509, &text, 0) >= 0)
            peer_.Problem = TakeText(text);
    } else {
        peer_.Trusted = true;
    }
    if (!peer_.NameMatches) {
        if (!peer_.Problem.empty() && peer_.Problem.back() != ' ')
            peer_.Problem += ' ';
        peer_.Problem += "The certificate does not name the host " + serverName_ + ".";
    }
}

int GnuTlsChannel::RecordFailed(ssize_t rc, int& error) {
    if (rc == GNUTLS_E_AGAIN || rc == GNUTLS_E_INTERRUPTED) {
        error = ErrWouldBlock;
    } else if ((rc == GNUTLS_E_PULL_ERROR || rc == GNUTLS_E_PUSH_ERROR) && socketError_ != 0) {
        error = socketError_;
    } else {
        error = ErrTls;
        lastError_ = ErrorText(static_cast<int>(rc));
    }
    return -1;
}

int GnuTlsChannel::Send(const void* data, int count, int& error) {
    socketError_ = 0;
    const ssize_t n = gnutls_record_send(session_, data, static_cast<size_t>(count));
    return n >= 0 ? static_cast<int>(n) : RecordFailed(n, error);
}

int GnuTlsChannel::Receive(void* data, int count, int& error) {
    for (;;) {
        socketError_ = 0;
        const ssize_t n = gnutls_record_recv(session_, data, static_cast<size_t>(count));
        if (n >= 0)
            return static_cast<int>(n);
        // Many servers close a data connection without close_notify: whether the data came
        // whole is for the transfer's final reply and size check to say.
        if (n == GNUTLS_E_PREMATURE_TERMINATION)
            return 0;
        // A renegotiation request (ignored: the session stays as it is) or a warning alert.
        if (n != GNUTLS_E_AGAIN && n != GNUTLS_E_INTERRUPTED && gnutls_error_is_fatal(n) == 0)
            continue;
        return RecordFailed(n, error);
    }
}

void GnuTlsChannel::Shutdown() {
    if (!handshakeDone_)
        return;
    // close_notify is a few dozen bytes: sent when the socket has room soon, else left out.
    int error = 0;
    if (WaitWritable(socket_, 200, error) == 1)
        gnutls_bye(session_, GNUTLS_SHUT_WR);
    handshakeDone_ = false;
}

} // namespace

std::unique_ptr<TlsChannel> TlsChannel::CreateClient(SocketHandle socket,
                                                     const std::string& serverName,
                                                     const TlsChannel* resumeFrom,
                                                     std::string& errorText) {
    Credentials credentials = SystemCredentials(errorText);
    if (credentials == nullptr)
        return nullptr;
    auto channel = std::make_unique<GnuTlsChannel>(socket, serverName, std::move(credentials));
    if (!channel->Init(resumeFrom, errorText))
        return nullptr;
    return channel;
}

} // namespace tavo::platform
