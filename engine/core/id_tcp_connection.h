#pragma once
// One TCP connection: settings, the input buffer, replies, and every blocking I/O operation.
// Waits run the host's message pump (TIdAntiFreeze), so handlers may run nested inside them.

#include "engine/core/id_buffer.h"
#include "engine/core/id_component.h"
#include "engine/core/id_intercept.h"
#include "engine/core/id_rfc_reply.h"
#include "engine/core/id_socket_handle.h"
#include "engine/core/id_stream.h"
#include "engine/core/line_reader.h"

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavo::engine {

// Reply codes a command accepts; empty means any code.
using ReplyCodes = std::vector<int>;
inline const ReplyCodes AnyReplyCode{};

class TIdTCPConnection : public TIdComponent, public TIdLineSource {
public:
    TIdTCPConnection();
    ~TIdTCPConnection() override;

    int ReadTimeout = 0;
    // Longest time one whole reply may take, in ms. ReadTimeout bounds each wait only, so a
    // server sending a byte now and then could hold a command for as long as it liked.
    // 0 means no limit; -1 means ReplyTimeoutReadTimeouts times ReadTimeout (no limit when
    // ReadTimeout is 0).
    int ReplyTimeout = -1;
    static constexpr int ReplyTimeoutReadTimeouts = 3;
    // What is still read of a reply once its time is up: what arrived while a handler held
    // the pump, but not a server streaming lines for ever.
    static constexpr int64_t MaxBytesPastReplyTimeout = 1 << 20;
    int RecvBufferSize = 32768;
    int SendBufferSize = 32768;
    // What one socket call may move when more than the buffer size is at hand; 0 means the
    // buffer size. Streams still report progress and write in RecvBufferSize and
    // SendBufferSize blocks: the larger call only saves calls (under Wine each one is a server
    // round trip). The trace hook sees every received block as one receive call brought it.
    int RecvCallSize = 0;
    int SendCallSize = 0;
    int MaxLineLength = 16384;
    TIdMaxLineAction MaxLineAction = maException;
    // Longest time in ms a stream operation may move no byte, in either direction; 0 means
    // no limit. Past it the operation fails with EIdDataStalled.
    int StallTimeout = 0;
    TIdConnectionIntercept* Intercept = nullptr;
    std::function<void(TIdTCPConnection& sender)> OnDisconnected;

    TIdRFCReply GreetingReply;
    TIdRFCReply LastReply;

    TIdIOHandlerSocket* IOHandler() const { return carrier_; }
    // The socket record of the carrier, or null.
    TIdSocketHandle* Socket() const;

    void CloseConnection();
    virtual void DropSocket();
    // Closes the connection the way a close by the peer is noticed (hsDisconnected,
    // OnDisconnected) and forgets the unread input: for a conversation that can no longer be
    // kept in step.
    void DropConnection();
    bool IsConnected();
    void ResetInput();

    void SendBytes(const char* data, int count);
    void SendText(const std::string& text);
    void SendLine(const std::string& text);
    void SendFromStream(TIdStream& stream, bool fromStart);

    int FillInputBuffer() override;
    std::string ReceiveLine();
    std::string ReceiveNonBlankLine(int attempts = 2147483647);
    void ReceiveExact(char* target, size_t count);
    // Reads until the peer closes, or until one byte more than `limit` (when not negative) has
    // come, enough to tell that the peer sends more than expected. Returns the bytes written.
    int64_t ReceiveToStream(TIdStream& stream, int64_t limit = -1);
    void CheckPeerClosed(bool raiseIfClosed, bool ignoreBuffer) override;
    TIdManagedBuffer& InputBuffer() override { return input_; }

    // Makes the connection a TLS client (RFC 4217) for serverName, offering to resume the
    // session of resumeFrom (when given). The handshake runs the pump as every wait does and
    // must end within waitMs (0: no limit). Raises EIdTLSHandshakeFailed, or
    // EIdConnClosedGracefully when a handler dropped the connection meanwhile; the connection
    // stays open either way.
    void StartTLS(const std::string& serverName, const platform::TlsChannel* resumeFrom,
                  int waitMs);
    // The connection's TLS channel; null while it is plain.
    const platform::TlsChannel* TLS() const;
    // Ends an upload's TLS: close_notify once the socket has room for it, so the peer can tell
    // a complete upload from a cut one, then the end of the sending side, and waits for the
    // peer to close, all within StallTimeout (EndTLSWait without one).
    void EndTLS();
    static constexpr int EndTLSWait = 10000;

    void ReadReply(TIdReplyEnd end = TIdReplyEnd::CodeOrShortLine);
    int AwaitReply(const ReplyCodes& allowed, TIdReplyEnd end = TIdReplyEnd::CodeOrShortLine);
    void CheckReplyCode(int code, const ReplyCodes& allowed);
    int IssueCommand(const std::string& text, const ReplyCodes& allowed,
                     TIdReplyEnd end = TIdReplyEnd::CodeOrShortLine);

protected:
    // Waits until the socket is readable, in pump slices; -2 means no limit.
    bool WaitReadable(int milliseconds);
    // Waits until the socket takes more bytes, in pump slices.
    bool WaitWritable(int milliseconds);
    // Sends the whole block; progress is reported per `piece` bytes (0: per send call).
    void SendAll(const char* data, size_t count, size_t piece);
    void AdoptCarrier(std::unique_ptr<TIdIOHandlerSocket> carrier);
    void FreeOwnedCarrier();

    TIdIOHandlerSocket* carrier_ = nullptr;
    std::unique_ptr<TIdIOHandlerSocket> ownedCarrier_;
    bool closedMark_ = false;

private:
    bool SocketOpen() const { return carrier_ != nullptr && carrier_->Connected(); }
    int EffectiveReplyTimeout() const;
    // The wait of one read: ReadTimeout, shortened to what is left of a reply's time.
    int ReadWait() const;
    bool ReplyTimeLeft() const;

    TIdManagedBuffer input_;
    std::vector<char> scratch_;
    // Set while ReceiveToStream runs; with it, a receive after one that filled all it asked
    // for may skip the readability wait when bytes are waiting already.
    bool receivingStream_ = false;
    bool lastReceiveFilled_ = false;
    // Receives ask for RecvCallSize only once one has filled the buffer size: a listing of a
    // few lines never takes the large block. Each data connection starts with a new buffer,
    // and memory written for the first time is dear (under Wine about 3 ms per MiB): a 1 MiB
    // first receive cost every listing 3 ms.
    bool largeReceives_ = false;
    // Set while ReadReply runs.
    std::optional<std::chrono::steady_clock::time_point> replyDeadline_;
    int replyLimit_ = 0;
    int64_t bytesPastReplyTimeout_ = 0;
};

} // namespace tavo::engine
