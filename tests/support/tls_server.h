#pragma once
// The server side of TLS for the scripted server (GnuTLS; native builds only): a self-signed
// certificate made at run time, and the layer that serves it.
//
//     TlsServerCertificate certificate("localhost");
//     server.Send("220 hi\r\n").Expect("AUTH TLS").Send("234 go\r\n")
//           .LayerControl(certificate.Layer()).Expect("USER anonymous") ...

#include "tests/support/scripted_server.h"

#include <memory>
#include <string>

namespace tavo::testing {

class TlsServerCertificate {
public:
    // A certificate for `name` (its common name and DNS name), valid from an hour ago for a day.
    explicit TlsServerCertificate(const std::string& name);
    ~TlsServerCertificate();
    TlsServerCertificate(const TlsServerCertificate&) = delete;
    TlsServerCertificate& operator=(const TlsServerCertificate&) = delete;

    // 32 upper-case hex pairs joined by ':', as TlsCertificateInfo gives it.
    const std::string& Sha256() const { return sha256; }
    // Handshakes as a TLS server with this certificate. Sessions are not resumed: a client's
    // data connection gets a full handshake with the same certificate.
    ServerLayerMaker Layer() const;

private:
    struct Parts;
    std::shared_ptr<Parts> parts;
    std::string sha256;
};

} // namespace tavo::testing
