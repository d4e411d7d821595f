#include "engine/core/id_tcp_connection.h"

#include "engine/core/errors.h"
#include "engine/core/id_antifreeze.h"
#include "engine/core/text.h"
#include "engine/platform/message_pump.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>

namespace tavo::engine {

TIdTCPConnection::TIdTCPConnection()
    : input_([this](int64_t count) { ReportProgress(wmRead, count); }) {}

TIdTCPConnection::~TIdTCPConnection() {
    DropSocket();
    FreeOwnedCarrier();
}

TIdSocketHandle* TIdTCPConnection::Socket() const {
    return carrier_ == nullptr ? nullptr : carrier_->Binding.get();
}

void TIdTCPConnection::AdoptCarrier(std::unique_ptr<TIdIOHandlerSocket> carrier) {
    ownedCarrier_ = std::move(carrier);
    carrier_ = ownedCarrier_.get();
}

void TIdTCPConnection::FreeOwnedCarrier() {
    if (ownedCarrier_ != nullptr && carrier_ == ownedCarrier_.get())
        carrier_ = nullptr;
    ownedCarrier_.reset();
}

void TIdTCPConnection::ResetInput() {
    input_.Clear(false);
    closedMark_ = false;
    lastReceiveFilled_ = false;
    largeReceives_ = false;
}

void TIdTCPConnection::DropSocket() {
    if (carrier_ == nullptr)
        return;
    closedMark_ = true;
    if (Intercept != nullptr)
        Intercept->Disconnect();
    carrier_->Close();
}

void TIdTCPConnection::CloseConnection() {
    ReportStatus(hsDisconnecting);
    DropSocket();
    FreeOwnedCarrier();
    if (OnDisconnected)
        OnDisconnected(*this);
    ReportStatus(hsDisconnected);
}

void TIdTCPConnection::CheckPeerClosed(bool raiseIfClosed, bool ignoreBuffer) {
    bool closed;
    if (closedMark_ || carrier_ == nullptr) {
        if (carrier_ != nullptr && carrier_->Connected()) {
            DropSocket();
            ReportStatus(hsDisconnected);
            if (OnDisconnected)
                OnDisconnected(*this);
        }
        closed = carrier_ != nullptr;
    } else {
        closed = !carrier_->Connected();
    }
    if (closed && raiseIfClosed && (input_.Empty() || ignoreBuffer))
        throw EIdConnClosedGracefully();
}

void TIdTCPConnection::DropConnection() {
    input_.Clear(false);
    if (SocketOpen()) {
        closedMark_ = true;
        CheckPeerClosed(false, false);
    }
}

bool TIdTCPConnection::IsConnected() {
    CheckPeerClosed(false, false);
    return SocketOpen();
}

bool TIdTCPConnection::WaitReadable(int milliseconds) {
    if (!SocketOpen())
        throw EIdConnClosedGracefully();
    if (TIdAntiFreeze::PumpApplies()) {
        // Messages arriving mid-slice run at once; the slice stays the longest wait for them.
        platform::MessageWake wake([this] {
            TIdAntiFreeze::PumpIfDue(true);
            return SocketOpen();
        });
        const int idle = std::max(1, TIdAntiFreeze::Current()->IdleTimeOut);
        if (milliseconds == -2) {
            for (;;) {
                if (!SocketOpen())
                    throw EIdConnClosedGracefully();
                bool readable = carrier_->Readable(idle);
                TIdAntiFreeze::PumpIfDue(!readable);
                if (readable)
                    return true;
            }
        }
        // The shortest slice first: 12000 ms with 1600 ms slices waits 800, then 7 x 1600.
        int slice = milliseconds > idle ? (milliseconds - 1) % idle + 1 : milliseconds;
        for (int left = milliseconds; left > 0; left -= slice, slice = idle) {
            if (!SocketOpen())
                throw EIdConnClosedGracefully();
            bool readable = carrier_->Readable(slice);
            TIdAntiFreeze::PumpIfDue(!readable);
            if (readable)
                return true;
        }
        return false;
    }
    bool readable = carrier_->Readable(milliseconds == -2 ? -1 : milliseconds);
    TIdAntiFreeze::PumpIfDue(!readable);
    return readable;
}

bool TIdTCPConnection::WaitWritable(int milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        // Dropped by a handler that ran in the pump (an abort).
        if (!SocketOpen())
            throw EIdConnClosedGracefully();
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        int slice = static_cast<int>(left);
        if (TIdAntiFreeze::PumpApplies())
            slice = std::min(slice, std::max(1, TIdAntiFreeze::Current()->IdleTimeOut));
        if (carrier_->Writable(slice))
            return true;
        TIdAntiFreeze::PumpIfDue(true);
    }
}

int TIdTCPConnection::FillInputBuffer() {
    CheckPeerClosed(true, false);
    if (!IsConnected())
        throw EIdNotConnected();
    int count;
    bool partialRecord;
    do {
        partialRecord = false;
        // A stream arriving faster than it is taken keeps the socket readable: a receive
        // then needs no readability wait (and the pump runs by time instead). Replies on the
        // control connection always wait, as they always did.
        const bool waiting = receivingStream_ && lastReceiveFilled_ && carrier_->BytesWaiting() > 0;
        if (waiting) {
            TIdAntiFreeze::PumpWhileStreaming();
        } else if (!WaitReadable(ReadWait())) {
            if (!ReplyTimeLeft())
                throw EIdReplyTimeout(replyLimit_);
            throw EIdReadTimeout();
        }
        if (!SocketOpen()) {
            // Dropped by a handler that ran in the pump (an abort): a close, not a failure.
            count = 0;
        } else {
            const int size = std::max({1, RecvBufferSize, largeReceives_ ? RecvCallSize : 0});
            // Without a trace hook the bytes go straight into the input buffer.
            char* target = Intercept != nullptr
                               ? (scratch_.resize(static_cast<size_t>(size)), scratch_.data())
                               : input_.PrepareAppend(static_cast<size_t>(size));
            int error = 0;
            count = carrier_->Recv(target, size, error);
            lastReceiveFilled_ = count == size;
            largeReceives_ = largeReceives_ || lastReceiveFilled_;
            if (Intercept == nullptr)
                input_.CommitAppend(count > 0 ? static_cast<size_t>(count) : 0);
            if (count < 0 && error == platform::ErrWouldBlock) {
                // Over TLS the socket held part of a record, or a record without data (a
                // session ticket): nothing to take yet.
                count = 0;
                partialRecord = true;
            } else if (count < 0) {
                if (error == platform::ErrTls)
                    throw EIdTLSError(error, carrier_->Tls->LastErrorText());
                if (error == platform::ErrShutdown || error == platform::ErrConnectionAborted) {
                    DropSocket();
                    if (input_.Empty())
                        throw EIdSocketError(error);
                    count = 0;
                } else {
                    throw EIdSocketError(error);
                }
            }
        }
        if (count == 0 && !partialRecord) {
            closedMark_ = true;
        } else if (count > 0 && Intercept != nullptr) {
            std::string block(scratch_.data(), static_cast<size_t>(count));
            Intercept->Receive(block);
            count = static_cast<int>(block.size());
            input_.Append(block.data(), block.size());
        }
        if (count > 0 && !ReplyTimeLeft()) {
            bytesPastReplyTimeout_ += count;
            if (bytesPastReplyTimeout_ > MaxBytesPastReplyTimeout)
                throw EIdReplyTimeout(replyLimit_);
        }
        CheckPeerClosed(true, false);
    } while (count == 0 && IsConnected());
    return count;
}

std::string TIdTCPConnection::ReceiveLine() {
    return engine::ReceiveLine(*this, MaxLineLength, MaxLineAction);
}

std::string TIdTCPConnection::ReceiveNonBlankLine(int attempts) {
    return engine::ReceiveNonBlankLine(*this, MaxLineLength, MaxLineAction, attempts);
}

void TIdTCPConnection::ReceiveExact(char* target, size_t count) {
    while (input_.Size() < count) {
        FillInputBuffer();
        CheckPeerClosed(true, true);
    }
    input_.Take(count, target);
}

int64_t TIdTCPConnection::ReceiveToStream(TIdStream& stream, int64_t limit) {
    BeginProgress(wmRead, 0);
    // The stall limit is the read wait of the stream; the connection's own wait comes back
    // afterwards.
    const int readTimeout = ReadTimeout;
    if (StallTimeout > 0)
        ReadTimeout = StallTimeout;
    const bool wasReceivingStream = receivingStream_;
    receivingStream_ = true;
    int64_t received = 0;
    auto finish = [&] {
        receivingStream_ = wasReceivingStream;
        ReadTimeout = readTimeout;
        EndProgress(wmRead);
        if (stream.Size() > stream.Position())
            stream.Truncate();
    };
    try {
        // Read until the peer closes. The count is 64-bit: files of 2 GiB and more arrive
        // whole instead of stopping at a 32-bit limit.
        int64_t remaining = limit >= 0 ? limit + 1 : std::numeric_limits<int64_t>::max();
        if (!input_.Empty()) {
            size_t held = static_cast<size_t>(std::min<int64_t>(remaining, input_.Size()));
            stream.Write(input_.Data(), held);
            input_.Take(held, nullptr);
            received += static_cast<int64_t>(held);
            remaining -= static_cast<int64_t>(held);
        }
        std::vector<char> chunk;
        while (IsConnected() && remaining > 0) {
            size_t size =
                static_cast<size_t>(std::min<int64_t>(remaining, std::max(1, RecvBufferSize)));
            chunk.resize(size);
            try {
                ReceiveExact(chunk.data(), size);
            } catch (const EIdConnClosedGracefully&) {
                received += static_cast<int64_t>(input_.Size());
                stream.Write(input_.Data(), input_.Size());
                input_.Clear(false);
                break;
            }
            stream.Write(chunk.data(), size);
            received += static_cast<int64_t>(size);
            remaining -= static_cast<int64_t>(size);
        }
    } catch (const EIdReadTimeout&) {
        finish();
        if (StallTimeout > 0)
            throw EIdDataStalled(StallTimeout);
        throw;
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return received;
}

void TIdTCPConnection::SendBytes(const char* data, int count) {
    if (count <= 0)
        return;
    CheckPeerClosed(true, true);
    if (!IsConnected())
        throw EIdNotConnected();
    std::string copy(data, static_cast<size_t>(count));
    if (Intercept != nullptr)
        Intercept->Send(copy);
    SendAll(copy.data(), copy.size(), 0);
}

void TIdTCPConnection::SendAll(const char* data, size_t count, size_t piece) {
    size_t sent = 0;
    size_t reported = 0;
    while (sent < count) {
        int error = 0;
        int n = carrier_->Send(data + sent, static_cast<int>(count - sent), error);
        if (n < 0 && error == platform::ErrWouldBlock) {
            // A non-blocking stream send (StallTimeout): the peer takes nothing yet.
            if (!WaitWritable(StallTimeout > 0 ? StallTimeout : std::numeric_limits<int>::max()))
                throw EIdDataStalled(StallTimeout);
            continue;
        }
        TIdAntiFreeze::PumpIfDue(false, false);
        if (n == 0)
            closedMark_ = true;
        CheckPeerClosed(true, false);
        if (n < 0) {
            if (error == platform::ErrTls)
                throw EIdTLSError(error, carrier_->Tls->LastErrorText());
            if (error == platform::ErrShutdown || error == platform::ErrConnectionAborted ||
                error == platform::ErrConnectionReset)
                DropSocket();
            throw EIdSocketError(error);
        }
        sent += static_cast<size_t>(n);
        if (piece == 0) {
            ReportProgress(wmWrite, n);
            reported = sent;
        }
        for (; sent - reported >= piece && piece > 0; reported += piece)
            ReportProgress(wmWrite, static_cast<int64_t>(piece));
    }
    if (reported < sent)
        ReportProgress(wmWrite, static_cast<int64_t>(sent - reported));
}

void TIdTCPConnection::SendText(const std::string& text) {
    if (!text.empty())
        SendBytes(text.data(), static_cast<int>(text.size()));
}

void TIdTCPConnection::SendLine(const std::string& text) {
    // A line break or NUL inside a command would let the text smuggle a second command.
    if (HoldsLineBreakOrNul(text))
        throw EIdException("Command refused: it holds a CR, LF or NUL character.");
    SendText(text + "\r\n");
}

void TIdTCPConnection::SendFromStream(TIdStream& stream, bool fromStart) {
    if (fromStart)
        stream.Seek(0);
    const int64_t end = stream.Size();
    int64_t position = stream.Position();
    BeginProgress(wmWrite, end - position);
    try {
        // A peer that takes nothing would hold a blocking send (and the host) for ever:
        // SendAll waits for room itself, within the stall limit, with the pump running.
        if (StallTimeout > 0 && carrier_ != nullptr && carrier_->Connected())
            carrier_->SetNonBlocking(true);
        const int piece = std::max(1, SendBufferSize);
        const int64_t batch = std::max(piece, SendCallSize / piece * piece);
        std::vector<char> block;
        for (;;) {
            int64_t n = std::min<int64_t>(end - position, batch);
            if (n <= 0)
                break;
            block.resize(static_cast<size_t>(n));
            size_t got = stream.Read(block.data(), block.size());
            if (got == 0)
                throw EIdNoDataToRead();
            CheckPeerClosed(true, true);
            if (!IsConnected())
                throw EIdNotConnected();
            if (Intercept != nullptr) {
                std::string copy(block.data(), got);
                Intercept->Send(copy);
                SendAll(copy.data(), copy.size(), static_cast<size_t>(piece));
            } else {
                SendAll(block.data(), got, static_cast<size_t>(piece));
            }
            position += static_cast<int64_t>(got);
        }
    } catch (...) {
        EndProgress(wmWrite);
        throw;
    }
    EndProgress(wmWrite);
}

int TIdTCPConnection::EffectiveReplyTimeout() const {
    if (ReplyTimeout >= 0)
        return ReplyTimeout;
    if (ReadTimeout <= 0)
        return 0;
    return ReadTimeout > std::numeric_limits<int>::max() / ReplyTimeoutReadTimeouts
               ? std::numeric_limits<int>::max()
               : ReadTimeout * ReplyTimeoutReadTimeouts;
}

bool TIdTCPConnection::ReplyTimeLeft() const {
    return !replyDeadline_ || std::chrono::steady_clock::now() < *replyDeadline_;
}

int TIdTCPConnection::ReadWait() const {
    const int wait = ReadTimeout == 0 ? -2 : ReadTimeout;
    if (!replyDeadline_)
        return wait;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*replyDeadline_ -
                                                                   std::chrono::steady_clock::now())
                          .count();
    // Past the deadline, bytes already waiting are still taken: a handler the pump ran (a
    // message box the user left open) may have spent the time while the reply arrived.
    if (left <= 0)
        return 1;
    return wait == -2 || left < wait ? static_cast<int>(left) : wait;
}

void TIdTCPConnection::ReadReply(TIdReplyEnd end) {
    // A handler run by the pump may read a reply of its own inside this wait; the outer
    // reply gets its deadline back afterwards.
    struct RestoreDeadline {
        TIdTCPConnection& connection;
        std::optional<std::chrono::steady_clock::time_point> deadline;
        int limit;
        ~RestoreDeadline() {
            connection.replyDeadline_ = deadline;
            connection.replyLimit_ = limit;
        }
    } restore{*this, replyDeadline_, replyLimit_};
    replyLimit_ = EffectiveReplyTimeout();
    replyDeadline_.reset();
    bytesPastReplyTimeout_ = 0;
    if (replyLimit_ > 0)
        replyDeadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(replyLimit_);
    try {
        LastReply.ParseLines(ReceiveReplyLines(*this, MaxLineLength, MaxLineAction, end));
    } catch (const EIdReplyTimeout&) {
        // Part of the reply may be consumed and the rest still on its way: the session could
        // no longer tell which reply answers which command.
        closedMark_ = true;
        CheckPeerClosed(false, false);
        throw;
    }
}

int TIdTCPConnection::AwaitReply(const ReplyCodes& allowed, TIdReplyEnd end) {
    try {
        ReadReply(end);
    } catch (const EIdReadLnMaxLineLengthExceeded&) {
        // The rest of the line is still unread: every later reply would be read out of step.
        DropConnection();
        throw;
    } catch (const EIdSocketError&) {
        // A reset control connection carries no further reply.
        DropConnection();
        throw;
    } catch (const EIdReadTimeout&) {
        // A reply that comes later would answer the next command.
        DropConnection();
        throw;
    }
    CheckReplyCode(LastReply.NumericCode, allowed);
    return LastReply.NumericCode;
}

void TIdTCPConnection::CheckReplyCode(int code, const ReplyCodes& allowed) {
    if (allowed.empty())
        return;
    for (int accepted : allowed)
        if (static_cast<int16_t>(code) == static_cast<int16_t>(accepted))
            return;
    throw EIdProtocolReplyError(code, LastReply.TextWithLineEnds());
}

int TIdTCPConnection::IssueCommand(const std::string& text, const ReplyCodes& allowed,
                                   TIdReplyEnd end) {
    SendLine(text);
    return AwaitReply(allowed, end);
}

} // namespace tavo::engine
