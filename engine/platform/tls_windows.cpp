// TLS through SChannel, driven through SSPI over the caller's socket: InitializeSecurityContext
// for the handshake, EncryptMessage and DecryptMessage for the records. SChannel only turns
// bytes into bytes; every socket call here goes through sockets.h.

#include "engine/platform/tls.h"

#include "engine/platform/tls_certificate_windows.h"

#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tavo::platform {
namespace {

constexpr ULONG RequestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                               ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                               ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                               ISC_REQ_MANUAL_CRED_VALIDATION;

// Bytes asked of the socket at a time: a few records' worth.
constexpr int ReadChunk = 64 * 1024;
// Records encrypted by one Send.
constexpr int RecordsPerSend = 4;
// How long Shutdown, and a post-handshake message that needs an answer, wait for a full send
// buffer.
constexpr int BriefWaitMs = 2000;
// A TLS record's content type for alerts (RFC 5246 section 6.2.1).
constexpr unsigned char AlertContentType = 21;

// A client credentials handle. SChannel keeps its session cache per credentials handle and
// target name, so a channel that resumes another's session shares the other's handle.
class Credentials {
public:
    static std::shared_ptr<Credentials> Acquire(std::string& errorText) {
        // Validation is ours (DescribeCertificate), after the handshake: the caller decides
        // what an untrusted certificate means. No client certificate is offered.
        SCHANNEL_CRED settings{};
        settings.dwVersion = SCHANNEL_CRED_VERSION;
        settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
        auto credentials = std::make_shared<Credentials>();
        TimeStamp expiry;
        SECURITY_STATUS status = AcquireCredentialsHandleW(
            nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &settings,
            nullptr, nullptr, &credentials->handle, &expiry);
        if (status != SEC_E_OK) {
            errorText = "TLS is not available: " + SystemStatusText(status);
            return nullptr;
        }
        credentials->valid = true;
        return credentials;
    }

    ~Credentials() {
        if (valid)
            FreeCredentialsHandle(&handle);
    }

    CredHandle handle{};
    bool valid = false;
};

// Output tokens that SSPI allocated (ISC_REQ_ALLOCATE_MEMORY).
struct OutputToken {
    SecBuffer buffer{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc description{SECBUFFER_VERSION, 1, &buffer};
    ~OutputToken() {
        if (buffer.pvBuffer != nullptr)
            FreeContextBuffer(buffer.pvBuffer);
    }
};

class SchannelChannel final : public TlsChannel {
public:
    SchannelChannel(SocketHandle socket, std::shared_ptr<Credentials> credentials,
                    std::wstring target, std::string hostName)
        : socket_(socket), credentials_(std::move(credentials)), target_(std::move(target)),
          hostName_(std::move(hostName)) {}

    ~SchannelChannel() override {
        if (haveContext_)
            DeleteSecurityContext(&context_);
    }

    TlsStep Handshake() override {
        if (failed_)
            return TlsStep::Failed;
        if (open_)
            return TlsStep::Done;
        TlsStep step = Negotiate();
        if (step == TlsStep::Done && !Open())
            return TlsStep::Failed;
        return step;
    }

    TlsCertificateInfo PeerCertificate() const override { return certificate_; }
    bool SessionResumed() const override { return resumed_; }

    int Send(const void* data, int count, int& error) override {
        error = 0;
        if (!Usable(error))
            return -1;
        if (shutdownSent_) {
            error = ErrShutdown;
            return -1;
        }
        if (count <= 0)
            return 0;
        // A repeated call after ErrWouldBlock: its bytes are already records in outgoing_.
        if (acceptedPending_ == 0) {
            const auto* bytes = static_cast<const unsigned char*>(data);
            int taken = 0;
            for (int records = 0; records < RecordsPerSend && taken < count; ++records) {
                const int chunk = std::min<int>(count - taken, sizes_.cbMaximumMessage);
                SECURITY_STATUS status = Encrypt(bytes + taken, chunk);
                if (status != SEC_E_OK) {
                    if (taken > 0)
                        break;
                    Fail("TLS could not encrypt: " + SystemStatusText(status));
                    error = ErrTls;
                    return -1;
                }
                taken += chunk;
            }
            acceptedPending_ = taken;
        }
        if (!Flush(error))
            return -1;
        const int sent = std::min(acceptedPending_, count);
        acceptedPending_ = 0;
        return sent;
    }

    int Receive(void* data, int count, int& error) override {
        error = 0;
        if (count <= 0)
            return 0;
        for (;;) {
            if (plainOffset_ < plain_.size()) {
                const int n =
                    static_cast<int>(std::min<size_t>(static_cast<size_t>(count), PlainWaiting()));
                std::memcpy(data, plain_.data() + plainOffset_, static_cast<size_t>(n));
                plainOffset_ += static_cast<size_t>(n);
                if (plainOffset_ == plain_.size()) {
                    plain_.clear();
                    plainOffset_ = 0;
                }
                return n;
            }
            if (peerClosed_)
                return 0;
            if (!Usable(error))
                return -1;
            if (renegotiating_) {
                TlsStep step = Negotiate();
                if (step == TlsStep::Failed) {
                    error = ErrTls;
                    return -1;
                }
                if (step == TlsStep::WantWrite && !WaitToSend(error))
                    return -1;
                if (step == TlsStep::Done) {
                    renegotiating_ = false;
                    DecryptHeld();
                }
                if (step != TlsStep::WantRead)
                    continue;
            } else if (!needInput_) {
                DecryptHeld();
                continue;
            }
            const int n = ReadMore(error);
            if (n < 0)
                return -1;
            if (n == 0) {
                // Closed without close_notify: the end of the data all the same, as the
                // contract says; whether it came whole is for the protocol above to tell.
                peerClosed_ = true;
                return 0;
            }
        }
    }

    int BytesWaiting() const override { return static_cast<int>(PlainWaiting()); }
    bool ReceiveReady() const override { return PlainWaiting() > 0 || peerClosed_; }

    void Shutdown() override {
        if (!open_ || failed_ || shutdownSent_)
            return;
        shutdownSent_ = true;
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
        SecBufferDesc controlDescription{SECBUFFER_VERSION, 1, &control};
        if (ApplyControlToken(&context_, &controlDescription) != SEC_E_OK)
            return;
        OutputToken alert;
        ULONG attributes = 0;
        SECURITY_STATUS status = InitializeSecurityContextW(
            &credentials_->handle, &context_, TargetName(), RequestFlags, 0, 0, nullptr, 0, nullptr,
            &alert.description, &attributes, nullptr);
        if (FAILED(status) || alert.buffer.cbBuffer == 0)
            return;
        Queue(alert.buffer);
        int error = 0;
        while (!Flush(error) && error == ErrWouldBlock && WaitToSend(error)) {
        }
    }

    std::string LastErrorText() const override { return errorText_; }

    const std::shared_ptr<Credentials>& SharedCredentials() const { return credentials_; }
    const std::wstring& Target() const { return target_; }

private:
    size_t PlainWaiting() const { return plain_.size() - plainOffset_; }

    wchar_t* TargetName() { return target_.empty() ? nullptr : target_.data(); }

    bool Usable(int& error) {
        if (failed_ || !open_) {
            if (!failed_)
                errorText_ = "the TLS handshake has not completed";
            error = ErrTls;
            return false;
        }
        return true;
    }

    void Fail(std::string text) {
        failed_ = true;
        errorText_ = std::move(text);
    }

    // Handshake messages in and out until the handshake is done or the socket makes us wait.
    // Also drives the messages that arrive after the handshake (renegotiating_).
    TlsStep Negotiate() {
        for (;;) {
            int error = 0;
            if (!Flush(error)) {
                if (error == ErrWouldBlock)
                    return TlsStep::WantWrite;
                Fail("TLS handshake: sending failed with socket error " + std::to_string(error));
                return TlsStep::Failed;
            }
            if (negotiated_)
                return TlsStep::Done;
            if (needInput_ && haveContext_) {
                const int n = ReadMore(error);
                if (n < 0 && error == ErrWouldBlock)
                    return TlsStep::WantRead;
                if (n < 0) {
                    Fail("TLS handshake: receiving failed with socket error " +
                         std::to_string(error));
                    return TlsStep::Failed;
                }
                if (n == 0) {
                    Fail("the server closed the connection during the TLS handshake");
                    return TlsStep::Failed;
                }
            }
            if (!Initialize())
                return TlsStep::Failed;
        }
    }

    // One InitializeSecurityContext call on what incoming_ holds; false after a failure.
    bool Initialize() {
        SecBuffer input[2] = {
            {static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inputDescription{SECBUFFER_VERSION, 2, input};
        OutputToken output;
        ULONG attributes = 0;
        SECURITY_STATUS status = InitializeSecurityContextW(
            &credentials_->handle, haveContext_ ? &context_ : nullptr, TargetName(), RequestFlags,
            0, 0, haveContext_ ? &inputDescription : nullptr, 0, &context_, &output.description,
            &attributes, nullptr);
        const bool first = !haveContext_;
        if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED))
            haveContext_ = true;
        if (output.buffer.cbBuffer > 0 && output.buffer.pvBuffer != nullptr)
            Queue(output.buffer);
        switch (status) {
        case SEC_E_OK:
        case SEC_I_CONTINUE_NEEDED:
            if (!first)
                KeepExtra(input[1]);
            needInput_ = incoming_.empty();
            negotiated_ = status == SEC_E_OK;
            return true;
        case SEC_E_INCOMPLETE_MESSAGE:
            needInput_ = true;
            return true;
        case SEC_I_INCOMPLETE_CREDENTIALS:
            // The server asks for a client certificate; the next call goes on without one.
            if (askedForCertificate_)
                break;
            askedForCertificate_ = true;
            return true;
        default:
            break;
        }
        // The alert SChannel made (ISC_REQ_EXTENDED_ERROR) tells the server why; best effort.
        int error = 0;
        Flush(error);
        Fail("TLS handshake failed: " + SystemStatusText(status));
        return false;
    }

    // Once the handshake is done: record sizes, the server's certificate, whether the session
    // was resumed, and the records that came with the last handshake message.
    bool Open() {
        SECURITY_STATUS status =
            QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
        if (status != SEC_E_OK) {
            Fail("TLS record sizes unknown: " + SystemStatusText(status));
            return false;
        }
        PCCERT_CONTEXT certificate = nullptr;
        status = QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate);
        if (status == SEC_E_OK && certificate != nullptr) {
            certificate_ = DescribeCertificate(certificate, hostName_);
            CertFreeCertificateContext(certificate);
        } else {
            certificate_.Problem = "the server showed no certificate: " + SystemStatusText(status);
        }
        // SSL_SESSION_RECONNECT is SChannel's own word on resumption. Where the attribute is
        // missing (Wine 8 answers SEC_E_UNSUPPORTED_FUNCTION) nothing else tells it, and the
        // channel does not claim a resumption it cannot see.
        SecPkgContext_SessionInfo session{};
        resumed_ =
            QueryContextAttributesW(&context_, SECPKG_ATTR_SESSION_INFO, &session) == SEC_E_OK &&
            (session.dwFlags & SSL_SESSION_RECONNECT) != 0;
        open_ = true;
        DecryptHeld();
        return true;
    }

    // Decrypts every complete record incoming_ holds into plain_, so that BytesWaiting counts
    // all that a Receive can return without the socket. Stops at a partial record, the peer's
    // close_notify, a post-handshake message, or a failure.
    void DecryptHeld() {
        while (!needInput_ && !incoming_.empty() && !peerClosed_ && !failed_ && !renegotiating_) {
            SecBuffer buffers[4] = {
                {static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
            // The record's content type (RFC 5246 section 6.2.1), before the record is
            // decrypted in place.
            const bool alertRecord = incoming_.front() == AlertContentType;
            SECURITY_STATUS status = DecryptMessage(&context_, &description, 0, nullptr);
            if (status == SEC_E_INCOMPLETE_MESSAGE) {
                needInput_ = true;
                return;
            }
            // Once our close_notify is out the context has ended, and what the server still
            // sends cannot be read: the end of the data too.
            if (status == SEC_E_CONTEXT_EXPIRED && shutdownSent_) {
                peerClosed_ = true;
                return;
            }
            if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE &&
                status != SEC_I_CONTEXT_EXPIRED) {
                Fail("TLS could not decrypt: " + SystemStatusText(status));
                return;
            }
            SecBuffer extra{0, SECBUFFER_EMPTY, nullptr};
            for (const SecBuffer& buffer : buffers) {
                if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0) {
                    const auto* bytes = static_cast<const unsigned char*>(buffer.pvBuffer);
                    plain_.insert(plain_.end(), bytes, bytes + buffer.cbBuffer);
                } else if (buffer.BufferType == SECBUFFER_EXTRA) {
                    extra = buffer;
                }
            }
            KeepExtra(extra);
            needInput_ = incoming_.empty();
            // The peer's close_notify. Wine 8's SChannel reads it as SEC_E_OK with no data
            // (Windows answers SEC_I_CONTEXT_EXPIRED); only the record's type tells it from
            // an empty data record. Up to TLS 1.2 the record header names an alert as one,
            // and after any alert that SChannel lets through the peer sends no more data.
            if (status == SEC_I_CONTEXT_EXPIRED || (status == SEC_E_OK && alertRecord))
                peerClosed_ = true;
            // A handshake message after the handshake (a TLS 1.3 NewSessionTicket or KeyUpdate,
            // a TLS 1.2 renegotiation): the bytes after it go back through
            // InitializeSecurityContext, which reads the message and may answer it.
            if (status == SEC_I_RENEGOTIATE) {
                renegotiating_ = true;
                negotiated_ = false;
            }
        }
        if (incoming_.empty())
            needInput_ = true;
    }

    // Keeps the input bytes that SSPI left unread: the last `extra.cbBuffer` of incoming_.
    void KeepExtra(const SecBuffer& extra) {
        const size_t keep = extra.BufferType == SECBUFFER_EXTRA ? extra.cbBuffer : 0;
        if (keep == 0 || keep > incoming_.size()) {
            incoming_.clear();
            return;
        }
        incoming_.erase(incoming_.begin(), incoming_.end() - static_cast<std::ptrdiff_t>(keep));
    }

    SECURITY_STATUS Encrypt(const unsigned char* data, int count) {
        const size_t start = outgoing_.size();
        const size_t header = sizes_.cbHeader;
        const size_t trailer = sizes_.cbTrailer;
        outgoing_.resize(start + header + static_cast<size_t>(count) + trailer);
        unsigned char* record = outgoing_.data() + start;
        std::memcpy(record + header, data, static_cast<size_t>(count));
        SecBuffer buffers[4] = {
            {static_cast<unsigned long>(header), SECBUFFER_STREAM_HEADER, record},
            {static_cast<unsigned long>(count), SECBUFFER_DATA, record + header},
            {static_cast<unsigned long>(trailer), SECBUFFER_STREAM_TRAILER,
             record + header + count},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc description{SECBUFFER_VERSION, 4, buffers};
        SECURITY_STATUS status = EncryptMessage(&context_, 0, &description, 0);
        if (status != SEC_E_OK) {
            outgoing_.resize(start);
            return status;
        }
        // The trailer may come out shorter than its maximum (block padding).
        outgoing_.resize(start + buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        return SEC_E_OK;
    }

    void Queue(const SecBuffer& token) {
        const auto* bytes = static_cast<const unsigned char*>(token.pvBuffer);
        outgoing_.insert(outgoing_.end(), bytes, bytes + token.cbBuffer);
    }

    // Sends what outgoing_ holds; false with `error` (ErrWouldBlock too) when some is left.
    bool Flush(int& error) {
        while (outgoingSent_ < outgoing_.size()) {
            const int left =
                static_cast<int>(std::min<size_t>(outgoing_.size() - outgoingSent_, 0x7fffffff));
            const int n = SendSocket(socket_, outgoing_.data() + outgoingSent_, left, error);
            if (n < 0)
                return false;
            outgoingSent_ += static_cast<size_t>(n);
        }
        outgoing_.clear();
        outgoingSent_ = 0;
        error = 0;
        return true;
    }

    bool WaitToSend(int& error) {
        if (WaitWritable(socket_, BriefWaitMs, error) > 0)
            return true;
        if (error == 0)
            error = ErrTimedOut;
        return false;
    }

    // Appends what the socket gives at once (or after waiting, on a blocking socket).
    int ReadMore(int& error) {
        const size_t held = incoming_.size();
        incoming_.resize(held + ReadChunk);
        const int n = ReceiveSocket(socket_, incoming_.data() + held, ReadChunk, error);
        incoming_.resize(held + static_cast<size_t>(std::max(n, 0)));
        if (n > 0)
            needInput_ = false;
        return n;
    }

    SocketHandle socket_;
    std::shared_ptr<Credentials> credentials_;
    std::wstring target_;
    std::string hostName_;
    CtxtHandle context_{};
    bool haveContext_ = false;
    bool negotiated_ = false;
    bool open_ = false;
    bool failed_ = false;
    bool needInput_ = true;
    bool renegotiating_ = false;
    bool askedForCertificate_ = false;
    bool peerClosed_ = false;
    bool shutdownSent_ = false;
    bool resumed_ = false;
    SecPkgContext_StreamSizes sizes_{};
    TlsCertificateInfo certificate_;
    std::vector<unsigned char> incoming_; // received, not yet decrypted
    std::vector<unsigned char> outgoing_; // records and handshake messages not yet sent
    size_t outgoingSent_ = 0;
    int acceptedPending_ = 0; // bytes of the Send to repeat that outgoing_ already holds
    std::vector<unsigned char> plain_;
    size_t plainOffset_ = 0;
    std::string errorText_;
};

} // namespace

std::unique_ptr<TlsChannel> TlsChannel::CreateClient(SocketHandle socket,
                                                     const std::string& serverName,
                                                     const TlsChannel* resumeFrom,
                                                     std::string& errorText) {
    // SChannel offers a cached session only to the same credentials and target name.
    if (const auto* previous = dynamic_cast<const SchannelChannel*>(resumeFrom))
        return std::make_unique<SchannelChannel>(socket, previous->SharedCredentials(),
                                                 previous->Target(), serverName);
    std::shared_ptr<Credentials> credentials = Credentials::Acquire(errorText);
    if (!credentials)
        return nullptr;
    // The target name is also the SNI name. Windows leaves SNI out for an address literal
    // (RFC 6066 section 3) by itself; Wine 8 sends it anyway (OpenSSL servers accept it).
    return std::make_unique<SchannelChannel>(socket, std::move(credentials),
                                             WideFromUtf8(serverName), serverName);
}

} // namespace tavo::platform
