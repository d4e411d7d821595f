#include "tests/support/tls_server.h"

#include <gnutls/gnutls.h>
#include <gnutls/x509.h>

#include <cerrno>
#include <ctime>
#include <stdexcept>

namespace tavo::testing {
namespace {

namespace net = tavo::platform;

void Check(int rc, const char* what) {
    if (rc < 0)
        throw std::runtime_error(std::string("test certificate: ") + what + ": " +
                                 gnutls_strerror(rc));
}

class GnuTlsServerLayer final : public ServerLayer {
public:
    explicit GnuTlsServerLayer(net::SocketHandle socket) : socket(socket) {}
    ~GnuTlsServerLayer() override {
        if (session != nullptr)
            gnutls_deinit(session);
    }

    bool Handshake(gnutls_certificate_credentials_t credentials, int timeoutMs,
                   std::string& error) {
        int rc = gnutls_init(&session, GNUTLS_SERVER);
        if (rc >= 0)
            rc = gnutls_set_default_priority(session);
        if (rc >= 0)
            rc = gnutls_credentials_set(session, GNUTLS_CRD_CERTIFICATE, credentials);
        if (rc < 0) {
            error = gnutls_strerror(rc);
            return false;
        }
        gnutls_transport_set_ptr(session, this);
        gnutls_transport_set_push_function(session, Push);
        gnutls_transport_set_pull_function(session, Pull);
        gnutls_transport_set_pull_timeout_function(session, PullTimeout);
        gnutls_handshake_set_timeout(session, static_cast<unsigned>(timeoutMs));
        gnutls_record_set_timeout(session, static_cast<unsigned>(timeoutMs));
        do {
            rc = gnutls_handshake(session);
        } while (rc < 0 && gnutls_error_is_fatal(rc) == 0);
        if (rc < 0)
            error = gnutls_strerror(rc);
        return rc >= 0;
    }

    int Receive(void* data, int count, int& error) override {
        const ssize_t n = gnutls_record_recv(session, data, static_cast<size_t>(count));
        if (n >= 0)
            return static_cast<int>(n);
        // The client closing without close_notify is a close, as for a plain socket.
        if (n == GNUTLS_E_PREMATURE_TERMINATION)
            return 0;
        error = n == GNUTLS_E_PULL_ERROR ? net::ErrConnectionReset : static_cast<int>(n);
        return -1;
    }

    int Send(const void* data, int count, int& error) override {
        const ssize_t n = gnutls_record_send(session, data, static_cast<size_t>(count));
        if (n >= 0)
            return static_cast<int>(n);
        error = n == GNUTLS_E_PUSH_ERROR ? net::ErrConnectionReset : static_cast<int>(n);
        return -1;
    }

    int Pending() const override { return static_cast<int>(gnutls_record_check_pending(session)); }

    void Close() override { gnutls_bye(session, GNUTLS_SHUT_WR); }

private:
    static ssize_t Push(gnutls_transport_ptr_t self, const void* data, size_t size) {
        auto& layer = *static_cast<GnuTlsServerLayer*>(self);
        int error = 0;
        const int n = net::SendSocket(layer.socket, data, static_cast<int>(size), error);
        if (n < 0)
            gnutls_transport_set_errno(layer.session, EIO);
        return n;
    }
    static ssize_t Pull(gnutls_transport_ptr_t self, void* data, size_t size) {
        auto& layer = *static_cast<GnuTlsServerLayer*>(self);
        int error = 0;
        const int n = net::ReceiveSocket(layer.socket, data, static_cast<int>(size), error);
        if (n < 0)
            gnutls_transport_set_errno(layer.session, EIO);
        return n;
    }
    static int PullTimeout(gnutls_transport_ptr_t self, unsigned int milliseconds) {
        auto& layer = *static_cast<GnuTlsServerLayer*>(self);
        int error = 0;
        return net::WaitReadable(
            layer.socket,
            milliseconds == GNUTLS_INDEFINITE_TIMEOUT ? -1 : static_cast<int>(milliseconds), error);
    }

    net::SocketHandle socket;
    gnutls_session_t session = nullptr;
};

} // namespace

struct TlsServerCertificate::Parts {
    gnutls_x509_privkey_t key = nullptr;
    gnutls_x509_crt_t certificate = nullptr;
    gnutls_certificate_credentials_t credentials = nullptr;
    ~Parts() {
        if (credentials != nullptr)
            gnutls_certificate_free_credentials(credentials);
        if (certificate != nullptr)
            gnutls_x509_crt_deinit(certificate);
        if (key != nullptr)
            gnutls_x509_privkey_deinit(key);
    }
};

TlsServerCertificate::TlsServerCertificate(const std::string& name)
    : parts(std::make_shared<Parts>()) {
    Parts& p = *parts;
    Check(gnutls_x509_privkey_init(&p.key), "key");
    // An elliptic-curve key: made at once, where RSA would take a noticeable while.
    Check(gnutls_x509_privkey_generate(p.key, GNUTLS_PK_ECDSA,
                                       GNUTLS_CURVE_TO_BITS(GNUTLS_ECC_CURVE_SECP256R1), 0),
          "key generation");
    Check(gnutls_x509_crt_init(&p.certificate), "certificate");
    gnutls_x509_crt_t crt = p.certificate;
    const std::time_t now = std::time(nullptr);
    const unsigned char serial[] = {0x01, 0x23, 0x45};
    Check(gnutls_x509_crt_set_version(crt, 3), "version");
    Check(gnutls_x509_crt_set_serial(crt, serial, sizeof serial), "serial");
    Check(gnutls_x509_crt_set_activation_time(crt, now - 3600), "activation");
    Check(gnutls_x509_crt_set_expiration_time(crt, now + 86400), "expiration");
    Check(gnutls_x509_crt_set_dn_by_oid(crt, GNUTLS_OID_X520_COMMON_NAME, 0, name.data(),
                                        static_cast<unsigned>(name.size())),
          "common name");
    Check(gnutls_x509_crt_set_subject_alt_name(crt, GNUTLS_SAN_DNSNAME, name.data(),
                                               static_cast<unsigned>(name.size()), GNUTLS_FSAN_SET),
          "DNS name");
    Check(gnutls_x509_crt_set_key(crt, p.key), "public key");
    Check(gnutls_x509_crt_set_key_usage(crt, GNUTLS_KEY_DIGITAL_SIGNATURE), "key usage");
    Check(gnutls_x509_crt_sign2(crt, crt, p.key, GNUTLS_DIG_SHA256, 0), "signature");
    Check(gnutls_certificate_allocate_credentials(&p.credentials), "credentials");
    Check(gnutls_certificate_set_x509_key(p.credentials, &crt, 1, p.key), "credentials");

    unsigned char digest[32];
    size_t size = sizeof digest;
    Check(gnutls_x509_crt_get_fingerprint(crt, GNUTLS_DIG_SHA256, digest, &size), "fingerprint");
    static constexpr char hex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < size; ++i) {
        if (i > 0)
            sha256 += ':';
        sha256 += hex[digest[i] >> 4];
        sha256 += hex[digest[i] & 15];
    }
}

TlsServerCertificate::~TlsServerCertificate() = default;

ServerLayerMaker TlsServerCertificate::Layer() const {
    std::shared_ptr<Parts> held = parts;
    return [held](net::SocketHandle socket, int timeoutMs,
                  std::string& error) -> std::unique_ptr<ServerLayer> {
        auto layer = std::make_unique<GnuTlsServerLayer>(socket);
        if (!layer->Handshake(held->credentials, timeoutMs, error))
            return nullptr;
        return layer;
    };
}

} // namespace tavo::testing
