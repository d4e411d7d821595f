#pragma once
// The engine's typed errors. Every engine failure is one of these; the message texts are
// part of the engine's contract (the controller and the trace show them to the user).

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tavo::engine {

class EIdException : public std::runtime_error {
public:
    explicit EIdException(const std::string& message) : std::runtime_error(message) {}
    const std::string Message() const { return what(); }
};

class EIdSilentException : public EIdException {
    using EIdException::EIdException;
};

class EIdConnClosedGracefully : public EIdSilentException {
public:
    EIdConnClosedGracefully() : EIdSilentException("Connection Closed Gracefully.") {}
};

class EIdReadTimeout : public EIdException {
public:
    EIdReadTimeout() : EIdException("Read Timeout") {}

protected:
    explicit EIdReadTimeout(const std::string& message) : EIdException(message) {}
};

// A reply that did not arrive whole in time although each read was within ReadTimeout (a
// server trickling its bytes). The connection is dropped: what remains of the reply would
// otherwise answer the next command.
class EIdReplyTimeout : public EIdReadTimeout {
public:
    explicit EIdReplyTimeout(int milliseconds)
        : EIdReadTimeout("Reply Timeout: the server took more than " +
                         std::to_string(milliseconds) + " ms to send one reply.") {}
};

class EIdReadLnMaxLineLengthExceeded : public EIdException {
public:
    EIdReadLnMaxLineLengthExceeded() : EIdException("Max line length exceeded.") {}
};

// A reply code outside a command's accepted list. The message is the reply's text lines,
// each followed by CR LF.
class EIdProtocolReplyError : public EIdException {
public:
    EIdProtocolReplyError(int replyCode, const std::string& message)
        : EIdException(message), ReplyErrorCode(replyCode) {}
    int ReplyErrorCode;
};

// The server refused AUTH TLS (RFC 4217 section 4): the session ends there, since the user
// name and password would otherwise go out in clear. The message ends with the server's text.
class EIdAuthTLSRefused : public EIdProtocolReplyError {
public:
    EIdAuthTLSRefused(int replyCode, const std::string& serverText)
        : EIdProtocolReplyError(replyCode, "The server refused AUTH TLS, so the session could not "
                                           "be encrypted; the user name and password were not "
                                           "sent. " +
                                               serverText) {}
};

class EIdTCPConnectionError : public EIdException {
    using EIdException::EIdException;
};

class EIdNotConnected : public EIdTCPConnectionError {
public:
    EIdNotConnected() : EIdTCPConnectionError("Not Connected") {}
};

class EIdNoDataToRead : public EIdTCPConnectionError {
public:
    EIdNoDataToRead() : EIdTCPConnectionError("No data to read.") {}
};

class EIdNotEnoughDataInBuffer : public EIdTCPConnectionError {
public:
    EIdNotEnoughDataInBuffer() : EIdTCPConnectionError("Not enough data in buffer.") {}
};

class EIdAlreadyConnected : public EIdException {
public:
    EIdAlreadyConnected() : EIdException("Already connected.") {}
};

class EIdClosedSocket : public EIdException {
public:
    EIdClosedSocket() : EIdException("Disconnected.") {}
};

class EIdConnectTimeout : public EIdException {
public:
    EIdConnectTimeout() : EIdException("Connect timed out.") {}
};

class EIdConnectException : public EIdException {
    using EIdException::EIdException;
};

class EIdInvalidSocket : public EIdException {
public:
    EIdInvalidSocket() : EIdException("Cannot allocate socket.") {}
};

class EIdSocketHandleError : public EIdException {
    using EIdException::EIdException;
};

class EIdCouldNotBindSocket : public EIdSocketHandleError {
public:
    EIdCouldNotBindSocket()
        : EIdSocketHandleError("Could not bind socket. Address and port are already in use.") {}
};

class EIdStackError : public EIdException {
    using EIdException::EIdException;
};

class EIdStackInitializationFailed : public EIdStackError {
public:
    EIdStackInitializationFailed() : EIdStackError("Winsock Initialization Error.") {}
};

// "Socket Error # n", CR LF, then the text for n (empty for numbers without one).
class EIdSocketError : public EIdException {
public:
    explicit EIdSocketError(int errorNumber);
    int LastError;

protected:
    EIdSocketError(int errorNumber, const std::string& message)
        : EIdException(message), LastError(errorNumber) {}
};

// A TLS record that could not be read or written once the session stood (a damaged record, an
// alert from the peer): like a reset, the connection carries nothing more.
class EIdTLSError : public EIdSocketError {
public:
    EIdTLSError(int errorNumber, const std::string& reason)
        : EIdSocketError(errorNumber, "TLS error: " + reason) {}
};

// The TLS handshake did not complete: the peer broke it off, spoke something else than TLS,
// offered nothing acceptable, or took too long. The reason is the platform's.
class EIdTLSHandshakeFailed : public EIdException {
public:
    explicit EIdTLSHandshakeFailed(const std::string& reason)
        : EIdException("The TLS handshake failed: " + reason) {}
};

// The server's certificate was not accepted: it could not be verified, and the user (or the
// caller's check) refused it. Sha256 is its fingerprint.
class EIdCertificateRejected : public EIdException {
public:
    EIdCertificateRejected(const std::string& sha256, const std::string& problem)
        : EIdException("The server's certificate was rejected: " + problem), Sha256(sha256) {}
    std::string Sha256;
};

// Text for a socket error number (Windows Sockets numbering); empty when unlisted.
std::string SocketErrorText(int errorNumber);

class EIdFTPFileAlreadyExists : public EIdException {
public:
    EIdFTPFileAlreadyExists() : EIdException("Destination file already exists.") {}
};

// A download that stopped short of the size the server gave for the file (SIZE): the data
// connection closed early, whatever the final reply said. Counts are of the whole file.
class EIdTransferEndedEarly : public EIdException {
public:
    EIdTransferEndedEarly(int64_t received, int64_t expected)
        : EIdException("the transfer ended early: " + std::to_string(received) + " of " +
                       std::to_string(expected) + " bytes"),
          Received(received), Expected(expected) {}
    int64_t Received;
    int64_t Expected;
};

// A download that ran past the size the server gave for the file: after a resume, the sign of
// a server that accepted REST but sent the file from its start.
class EIdTransferOverrun : public EIdException {
public:
    explicit EIdTransferOverrun(int64_t expected)
        : EIdException("The server sent more than the file's " + std::to_string(expected) +
                       " bytes; it may have ignored the restart position."),
          Expected(expected) {}
    int64_t Expected;
};

// A resume of a local part that is already longer than the server's file.
class EIdResumeBeyondEnd : public EIdException {
public:
    EIdResumeBeyondEnd(int64_t local, int64_t remote)
        : EIdException("The local file (" + std::to_string(local) +
                       " bytes) is longer than the server's file (" + std::to_string(remote) +
                       " bytes); it cannot be resumed.") {}
};

// A data connection that moved no byte for the stall limit.
class EIdDataStalled : public EIdException {
public:
    explicit EIdDataStalled(int milliseconds)
        : EIdException("The data connection moved no data for " +
                       std::to_string(milliseconds / 1000) + "." +
                       std::to_string(milliseconds % 1000 / 100) + " seconds.") {}
};

class EIdInvalidFTPListingFormat : public EIdException {
public:
    EIdInvalidFTPListingFormat() : EIdException("Unknown FTP listing format") {}
};

} // namespace tavo::engine
