#pragma once
// TLS on a connected TCP socket (RFC 4217 for FTP), through the platform's own TLS: SChannel
// through SSPI on Windows, GnuTLS elsewhere. The channel does its own socket calls on the
// socket it is given; the caller keeps owning (and closing) the socket.
//
// The handshake is driven step by step, so that the caller waits for the socket with its own
// timeouts and message pump: put the socket in non-blocking mode, call Handshake until it
// answers Done or Failed, waiting for readability or writability as it asks in between, then
// put the socket back as the caller wants it. Send and Receive follow the socket's mode: on a
// blocking socket they wait as SendSocket and ReceiveSocket do; on a non-blocking one they
// fail with ErrWouldBlock and the same call is made again later (same data for Send).

#include "engine/platform/sockets.h"

#include <memory>
#include <string>

namespace tavo::platform {

// Error number of a TLS failure in Send or Receive (a bad record, an alert from the peer);
// the channel's LastErrorText says which. Outside the Windows Sockets numbers.
inline constexpr int ErrTls = 20001;

enum class TlsStep { Done, WantRead, WantWrite, Failed };

// What the peer showed of itself, and what verification against the system's trust store and
// the host name made of it.
struct TlsCertificateInfo {
    std::string Subject;   // distinguished name, as the platform writes it ("CN=ftp.example")
    std::string Issuer;    // same form
    std::string NotBefore; // "YYYY-MM-DD HH:MM:SS UTC"
    std::string NotAfter;
    std::string Sha256;       // of the DER certificate: 32 upper-case hex pairs joined by ':'
    bool Trusted = false;     // the chain ends at a root the system trusts, and is in date
    bool NameMatches = false; // the certificate names the host the channel was made for
    // Why verification failed, in the platform's words; empty when Trusted and NameMatches.
    std::string Problem;
};

class TlsChannel {
public:
    virtual ~TlsChannel() = default;

    // A client channel for `serverName` (sent as SNI unless it is a numeric address, and the
    // name checked against the certificate). `resumeFrom`, when given, is a channel to the
    // same server whose session this one offers to resume (RFC 4217 section 10.2: servers may
    // insist that the data connections reuse the control connection's session). Null with
    // `errorText` set when the platform has no TLS to offer.
    static std::unique_ptr<TlsChannel> CreateClient(SocketHandle socket,
                                                    const std::string& serverName,
                                                    const TlsChannel* resumeFrom,
                                                    std::string& errorText);

    // One step of the handshake; after Failed, LastErrorText says why.
    virtual TlsStep Handshake() = 0;
    // Valid once Handshake answered Done.
    virtual TlsCertificateInfo PeerCertificate() const = 0;
    // Whether the handshake resumed the session of `resumeFrom`.
    virtual bool SessionResumed() const = 0;

    // As SendSocket and ReceiveSocket, over TLS: bytes moved, 0 from Receive when the peer
    // closed (with or without close_notify), -1 with `error` (a socket error, ErrWouldBlock,
    // or ErrTls).
    virtual int Send(const void* data, int count, int& error) = 0;
    virtual int Receive(void* data, int count, int& error) = 0;
    // Decrypted bytes held that a Receive returns without touching the socket.
    virtual int BytesWaiting() const = 0;
    // Whether a Receive returns at once without the socket: decrypted bytes are held, or the
    // peer's close_notify was read along with the last of them (Receive then returns 0). A
    // server may wait for our close_notify before it closes, so the socket would stay silent.
    virtual bool ReceiveReady() const { return BytesWaiting() > 0; }

    // Sends close_notify (best effort, never waits long); the socket stays open.
    virtual void Shutdown() = 0;
    virtual std::string LastErrorText() const = 0;
};

} // namespace tavo::platform
