// Data connections (RFC 959 section 3.2): passive (we connect) and active (the server
// connects to our PORT), with the command and reply order around each transfer.

#include "engine/core/errors.h"
#include "engine/core/text.h"
#include "engine/ftp/id_ftp.h"
#include "engine/listing/listing_text.h"
#include "engine/platform/files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

namespace tavo::engine {

void TIdFTP::CopyChannelSettings(TIdTCPConnection& channel) const {
    channel.SendBufferSize = SendBufferSize;
    channel.RecvBufferSize = RecvBufferSize;
    channel.RecvCallSize = DataCallSize;
    channel.SendCallSize = DataCallSize;
    channel.OnWork = OnWork;
    channel.OnWorkBegin = OnWorkBegin;
    channel.OnWorkEnd = OnWorkEnd;
    channel.StallTimeout = DataStallTimeout;
}

bool TIdFTP::ControlIsIPv6() const {
    return Socket() != nullptr &&
           platform::FamilyOf(Socket()->PeerIP) == platform::AddressFamily::IPv6;
}

namespace {

std::string FirstTextLine(const TIdRFCReply& reply) {
    return reply.Text.empty() ? std::string() : reply.Text.front();
}

} // namespace

// Over IPv6 the server is asked for EPSV (RFC 2428), whose reply names only a port. A server
// that refuses it (5xx) may still answer PASV over IPv6, and since the data connection goes to
// the control connection's peer, only the port of the 227 reply is needed. Over IPv4 the
// dialogue is PASV alone, as every server understands it.
void TIdFTP::OpenPassiveChannel(std::string& host, int& port) {
    const bool ipv6 = ControlIsIPv6();
    if (ipv6 && !extendedPassiveRefused_) {
        const int code = IssueCommand("EPSV", AnyReplyCode);
        if (code == 229) {
            port = ParseExtendedPassiveReply(FirstTextLine(LastReply));
            host = Socket()->PeerIP;
            PassiveReplyHost = host;
            PassiveReplyPort = port;
            return;
        }
        if (code / 100 != 5)
            CheckReplyCode(code, {229});
        extendedPassiveRefused_ = true;
    }
    const int code = IssueCommand("PASV", ipv6 ? AnyReplyCode : ReplyCodes{227});
    if (code != 227)
        throw EIdExtendedModeRefused(
            code, "The server refused EPSV and PASV over IPv6, so no passive data connection "
                  "can be opened: " +
                      LastReply.TextWithLineEnds());
    ParsePassiveReply(FirstTextLine(LastReply), host, port);
    PassiveReplyHost = host;
    PassiveReplyPort = port;
}

// PORT has room for an IPv4 address only; a listener on IPv6 is named with EPRT (RFC 2428),
// and a server that refuses it leaves active mode no way to name it.
void TIdFTP::SendPortCommand(const TIdSimpleServer& listener) {
    std::string address = listener.Socket()->IP;
    const int port = listener.Socket()->Port;
    if (platform::FamilyOf(address) == platform::AddressFamily::IPv6) {
        const int code = IssueCommand("EPRT " + ExtendedPortArgument(address, port), AnyReplyCode);
        if (code / 100 == 5)
            throw EIdExtendedModeRefused(
                code, "The server refused EPRT, and PORT cannot name an IPv6 address; passive "
                      "mode may work: " +
                          LastReply.TextWithLineEnds());
        CheckReplyCode(code, {200});
        return;
    }
    for (char& c : address)
        if (c == '.')
            c = ',';
    IssueCommand("PORT " + address + "," + std::to_string(port / 256) + "," +
                     std::to_string(port % 256),
                 {200});
}

std::unique_ptr<TIdTCPClient> TIdFTP::NewPassiveChannel(int port) {
    auto channel = std::make_unique<TIdTCPClient>();
    CopyChannelSettings(*channel);
    // The reply's address is ignored: a hostile server could otherwise aim our data
    // connection at any host of the user's network.
    channel->Host = Socket() != nullptr ? Socket()->PeerIP : Host;
    channel->Port = port;
    return channel;
}

std::unique_ptr<TIdSimpleServer> TIdFTP::NewActiveListener() {
    auto listener = std::make_unique<TIdSimpleServer>();
    CopyChannelSettings(*listener);
    listener->BoundIP = Socket()->IP;
    listener->AcceptFromIP = Socket()->PeerIP;
    listener->AcceptTimeout = DataAcceptTimeout;
    return listener;
}

void TIdFTP::SendTransferCommand(const std::string& command) {
    SendLine(command);
    replyPending_ = true;
}

// The preliminary reply (1xx) of the transfer command. A refusal is its final reply; any other
// failure leaves the final reply still to come.
void TIdFTP::AwaitTransferStart(const ReplyCodes& preliminary) {
    try {
        AwaitReply(preliminary);
    } catch (const EIdProtocolReplyError&) {
        replyPending_ = LastReply.NumericCode / 100 == 1;
        throw;
    }
}

// The final reply after the data (RFC 959 section 4.2). After our ABOR, ABOR's own reply
// follows the transfer's (read at once after a 426 or 450, and after any other code when it
// comes within the pending-reply wait), and the transfer ends quietly, as the user asked.
// Without an ABOR a 426 or 450 is the server's word that the transfer failed; a 226 that some
// servers add is read when it comes within that wait. A transfer that carried fewer bytes
// than the file's size failed, whatever the reply says, unless the user stopped it.
void TIdFTP::FinishTransfer(int64_t received, int64_t expectedBytes, int64_t offset) {
    int code = 0;
    try {
        code = AwaitReply({225, 226, 250, 426, 450});
    } catch (const EIdProtocolReplyError&) {
        replyPending_ = false;
        throw;
    } catch (const EIdException&) {
        // The reply did not come in time: a late one would answer the next command.
        replyPending_ = false;
        DropConnection();
        throw;
    }
    replyPending_ = false;
    std::optional<EIdProtocolReplyError> serverAbort;
    if (code == 426 || code == 450) {
        if (!abortSent_)
            serverAbort.emplace(code, LastReply.TextWithLineEnds());
        if (abortSent_ || FollowUpReplyArrives()) {
            AwaitReply({226, 225});
            ReportStatus(ftpAborted, "Transfer aborted");
        }
    } else if (abortSent_ && FollowUpReplyArrives()) {
        // ABOR came after the transfer had ended; its own reply follows the transfer's.
        ReadReply();
    }
    if (expectedBytes >= 0 && received < expectedBytes && !abortSent_)
        throw EIdTransferEndedEarly(offset + received, offset + expectedBytes);
    if (serverAbort)
        throw *serverAbort;
}

bool TIdFTP::FollowUpReplyArrives() {
    try {
        return !InputBuffer().Empty() || WaitReadable(std::max(1, PendingReplyTimeout));
    } catch (const EIdException&) {
        return false;
    }
}

// A failed transfer leaves the final reply of its command on the control connection (RFC 959:
// every command gets one). Read there by the next command, it would make that command fail or
// succeed by mistake, and every later command would read its predecessor's reply. It is read
// here within a short wait; when it does not come, the session cannot be kept in step and the
// control connection is dropped.
void TIdFTP::ConsumePendingReply() {
    if (!replyPending_)
        return;
    replyPending_ = false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(PendingReplyTimeout);
    const int readTimeout = ReadTimeout;
    // After ABOR two final replies are owed: the transfer's and ABOR's own.
    int finalReplies = abortSent_ ? 2 : 1;
    try {
        while (IsConnected()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0)
                throw EIdReadTimeout();
            ReadTimeout = static_cast<int>(left);
            ReadReply();
            const int code = LastReply.NumericCode;
            if (code / 100 == 1)
                continue; // preliminary: the final reply follows
            if (--finalReplies == 0)
                break;
        }
    } catch (const EIdException&) {
        DropConnection();
    }
    ReadTimeout = readTimeout;
}

void TIdFTP::RunDownload(const std::string& command, TIdStream& stream, bool resume,
                         int64_t remoteSize) {
    // Under TYPE A the bytes on the wire differ from the file's size.
    const bool checkSize = remoteSize >= 0 && transferType_ == ftBinary;
    const int64_t offset = resume ? stream.Position() : 0;
    if (checkSize && offset > remoteSize)
        throw EIdResumeBeyondEnd(offset, remoteSize);
    const int64_t expectedBytes = checkSize ? remoteSize - offset : -1;
    ReportStatus(ftpTransfer, "Starting FTP transfer");
    bool passiveOpened = false;
    int64_t received = 0;
    replyPending_ = false;
    abortSent_ = false;
    try {
        const std::string rest = "REST " + std::to_string(stream.Position());
        if (Passive) {
            std::string host;
            int port = 0;
            OpenPassiveChannel(host, port);
            activeDataChannel_ = NewPassiveChannel(port);
            auto& channel = static_cast<TIdTCPClient&>(*activeDataChannel_);
            channel.OpenConnection(-1);
            passiveOpened = true;
            if (resume)
                IssueCommand(rest, {350});
            SendTransferCommand(command);
            AwaitTransferStart({125, 150, 154});
            SecureDataConnection(channel);
            received = channel.ReceiveToStream(stream, expectedBytes);
            channel.CloseConnection();
        } else {
            activeDataChannel_ = NewActiveListener();
            auto& listener = static_cast<TIdSimpleServer&>(*activeDataChannel_);
            listener.StartListening();
            SendPortCommand(listener);
            if (resume)
                IssueCommand(rest, {350});
            SendTransferCommand(command);
            AwaitTransferStart({125, 150, 154});
            listener.AcceptOne();
            SecureDataConnection(listener);
            received = listener.ReceiveToStream(stream, expectedBytes);
        }
        // Stopped one byte past the end: the rest is not read (a server that ignored REST
        // would otherwise append the whole file to the part already here).
        if (expectedBytes >= 0 && received > expectedBytes)
            throw EIdTransferOverrun(remoteSize);
        activeDataChannel_.reset();
        ReportStatus(ftpReady, "Transfer complete");
    } catch (...) {
        if (passiveOpened && activeDataChannel_ != nullptr)
            activeDataChannel_->CloseConnection();
        activeDataChannel_.reset();
        ReportStatus(ftpReady, "Transfer complete");
        ConsumePendingReply();
        throw;
    }
    FinishTransfer(received, expectedBytes, offset);
}

void TIdFTP::RunUpload(const std::string& command, TIdStream& stream) {
    ReportStatus(ftpTransfer, "Starting FTP transfer");
    bool passiveOpened = false;
    replyPending_ = false;
    abortSent_ = false;
    try {
        if (Passive) {
            std::string host;
            int port = 0;
            OpenPassiveChannel(host, port);
            SendTransferCommand(command);
            activeDataChannel_ = NewPassiveChannel(port);
            auto& channel = static_cast<TIdTCPClient&>(*activeDataChannel_);
            channel.OpenConnection(-1);
            passiveOpened = true;
            AwaitTransferStart({110, 125, 150});
            SecureDataConnection(channel);
            try {
                channel.SendFromStream(stream, false);
                channel.EndTLS();
            } catch (const EIdSocketError& error) {
                // The socket was closed under the send: the transfer ended, not failed.
                if (error.LastError != platform::ErrNotSocket)
                    throw;
            }
            channel.CloseConnection();
        } else {
            activeDataChannel_ = NewActiveListener();
            auto& listener = static_cast<TIdSimpleServer&>(*activeDataChannel_);
            listener.StartListening();
            SendPortCommand(listener);
            SendTransferCommand(command);
            AwaitTransferStart({125, 150});
            listener.AcceptOne();
            SecureDataConnection(listener);
            listener.SendFromStream(stream, true);
            listener.EndTLS();
        }
        activeDataChannel_.reset();
        ReportStatus(ftpReady, "Transfer complete");
    } catch (...) {
        if (passiveOpened && activeDataChannel_ != nullptr)
            activeDataChannel_->CloseConnection();
        activeDataChannel_.reset();
        ReportStatus(ftpReady, "Transfer complete");
        ConsumePendingReply();
        throw;
    }
    FinishTransfer(0, -1, 0);
}

void TIdFTP::FetchListing(std::vector<std::string>* target, const std::string& mask, bool details) {
    CheckCommandArgument("mask", mask);
    TIdMemoryStream text;
    RunDownload(Trim((details ? "LIST " : "NLST ") + ServerPath(mask)), text, false);
    listingItems_.reset();
    ListingLines = TListingLines::FromText(text.TakeBytes());
    if (target != nullptr) {
        *target = ListingLines.ToVector();
        if (utf8Names_) {
            listedNames_.clear();
            for (std::string& name : *target)
                name = ClientName(name, listedNames_);
        }
    }
}

void TIdFTP::DownloadToStream(const std::string& remoteName, TIdStream& stream, bool resume,
                              int64_t remoteSize) {
    CheckCommandArgument("file name", remoteName);
    resume = resume && ProbeResume();
    RunDownload("RETR " + ServerPath(remoteName), stream, resume, remoteSize);
    if (OnAfterGet)
        OnAfterGet(*this, stream);
}

namespace {

// Closes the file of a download that failed: that failure is what the caller hears, not a
// write error of the bytes still buffered.
void CloseAfterFailure(TIdFileStream& file) noexcept {
    try {
        file.Close();
    } catch (const EIdException&) {
    }
}

// After a failed download the local file is as it was before: a file the download created is
// removed (an empty or partial file would pass for the real one), a resumed file is cut back
// to its earlier length. The download's own error is what the caller hears, so a failure
// here does not replace it.
void RestoreLocalFile(TIdFileStream& file, const std::string& path, TIdFileOpen how,
                      int64_t lengthBefore) noexcept {
    CloseAfterFailure(file);
    try {
        if (how == TIdFileOpen::Append) {
            TIdFileStream again(path, TIdFileOpen::Append);
            again.Seek(lengthBefore);
            again.Truncate();
            again.Close();
        } else {
            std::remove(path.c_str());
        }
    } catch (const EIdException&) {
    }
}

} // namespace

void TIdFTP::DownloadToFile(const std::string& remoteName, const std::string& localPath,
                            bool canOverwrite, bool resume, int64_t remoteSize) {
    CheckCommandArgument("file name", remoteName);
    TIdFileOpen how;
    if (!platform::FileExists(localPath)) {
        how = TIdFileOpen::Create;
    } else {
        resume = resume && ProbeResume();
        if (canOverwrite && !resume)
            how = TIdFileOpen::Create;
        else if (resume && !canOverwrite)
            how = TIdFileOpen::Append;
        else
            throw EIdFTPFileAlreadyExists();
    }
    TIdFileStream file(localPath, how);
    const int64_t lengthBefore = file.Position();
    try {
        DownloadToStream(remoteName, file, resume, remoteSize);
        file.Close();
    } catch (...) {
        // A transfer the user stopped keeps what arrived, so that it can be resumed.
        if (abortSent_)
            CloseAfterFailure(file);
        else
            RestoreLocalFile(file, localPath, how, lengthBefore);
        throw;
    }
}

void TIdFTP::UploadFromStream(TIdStream& stream, const std::string& remoteName, bool append) {
    CheckCommandArgument("file name", remoteName);
    std::string command =
        remoteName.empty() ? "STOU " : (append ? "APPE " : "STOR ") + ServerPath(remoteName);
    RunUpload(command, stream);
}

void TIdFTP::UploadFromFile(const std::string& localPath, const std::string& remoteName,
                            bool append) {
    TIdFileStream file(localPath, TIdFileOpen::Read);
    UploadFromStream(file, remoteName, append);
}

int64_t TIdFTP::LocalFileSize(const std::string& localPath) {
    TIdFileStream file(localPath, TIdFileOpen::Read);
    return file.Size();
}

} // namespace tavo::engine
