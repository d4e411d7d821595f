// Data connections (RFC 959 section 3.2): passive (we connect) and active (the server
// connects to our PORT), with the command and reply order around each transfer.

#include "engine/core/errors.h"
#include "engine/core/text.h"
#include "engine/ftp/id_ftp.h"
#include "engine/listing/listing_text.h"
#include "engine/platform/files.h"

namespace tavo::engine {

void TIdFTP::CopyChannelSettings(TIdTCPConnection& channel) const {
    channel.SendBufferSize = SendBufferSize;
    channel.RecvBufferSize = RecvBufferSize;
    channel.OnWork = OnWork;
    channel.OnWorkBegin = OnWorkBegin;
    channel.OnWorkEnd = OnWorkEnd;
}

void TIdFTP::OpenPassiveChannel(std::string& host, int& port) {
    IssueCommand("PASV", {227});
    ParsePassiveReply(LastReply.Text.empty() ? std::string() : LastReply.Text.front(), host, port);
    PassiveReplyHost = host;
    PassiveReplyPort = port;
}

void TIdFTP::SendPortCommand(const TIdSimpleServer& listener) {
    std::string address = listener.Socket()->IP;
    for (char& c : address)
        if (c == '.')
            c = ',';
    const int port = listener.Socket()->Port;
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

void TIdFTP::FinishTransfer() {
    int code = AwaitReply({225, 226, 250, 426, 450});
    if (code == 426 || code == 450) {
        AwaitReply({226, 225});
        ReportStatus(ftpAborted, "Transfer aborted");
    }
}

void TIdFTP::RunDownload(const std::string& command, TIdStream& stream, bool resume) {
    ReportStatus(ftpTransfer, "Starting FTP transfer");
    bool passiveOpened = false;
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
            SendLine(command);
            AwaitReply({125, 150, 154});
            channel.ReceiveToStream(stream);
            channel.CloseConnection();
        } else {
            activeDataChannel_ = NewActiveListener();
            auto& listener = static_cast<TIdSimpleServer&>(*activeDataChannel_);
            listener.StartListening();
            SendPortCommand(listener);
            if (resume)
                IssueCommand(rest, {350});
            IssueCommand(command, {125, 150, 154});
            listener.AcceptOne();
            listener.ReceiveToStream(stream);
        }
        activeDataChannel_.reset();
        ReportStatus(ftpReady, "Transfer complete");
    } catch (...) {
        if (passiveOpened && activeDataChannel_ != nullptr)
            activeDataChannel_->CloseConnection();
        activeDataChannel_.reset();
        ReportStatus(ftpReady, "Transfer complete");
        throw;
    }
    FinishTransfer();
}

void TIdFTP::RunUpload(const std::string& command, TIdStream& stream) {
    ReportStatus(ftpTransfer, "Starting FTP transfer");
    bool passiveOpened = false;
    bool replyPending = false;
    try {
        if (Passive) {
            std::string host;
            int port = 0;
            OpenPassiveChannel(host, port);
            SendLine(command);
            replyPending = true;
            activeDataChannel_ = NewPassiveChannel(port);
            auto& channel = static_cast<TIdTCPClient&>(*activeDataChannel_);
            channel.OpenConnection(-1);
            passiveOpened = true;
            replyPending = false;
            AwaitReply({110, 125, 150});
            try {
                channel.SendFromStream(stream, false);
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
            IssueCommand(command, {125, 150});
            listener.AcceptOne();
            listener.SendFromStream(stream, true);
        }
        activeDataChannel_.reset();
        ReportStatus(ftpReady, "Transfer complete");
    } catch (...) {
        if (passiveOpened && activeDataChannel_ != nullptr)
            activeDataChannel_->CloseConnection();
        activeDataChannel_.reset();
        ReportStatus(ftpReady, "Transfer complete");
        if (replyPending)
            DiscardReplyToFailedUpload();
        throw;
    }
    FinishTransfer();
}

// The passive upload sent its command before the data connection failed; the server's answer
// (425 and the like) would otherwise be read as the reply of the next command, and every
// later command would read its predecessor's reply. The failure itself is raised by the
// caller; an error while reading here only means no answer came.
void TIdFTP::DiscardReplyToFailedUpload() {
    try {
        if (IsConnected())
            ReadReply();
    } catch (const EIdException&) {
    }
}

void TIdFTP::FetchListing(std::vector<std::string>* target, const std::string& mask, bool details) {
    CheckCommandArgument("mask", mask);
    TIdMemoryStream text;
    RunDownload(Trim((details ? "LIST " : "NLST ") + mask), text, false);
    listingItems_.reset();
    ListingLines = SplitListingText(text.Bytes());
    if (target != nullptr)
        *target = ListingLines;
}

void TIdFTP::DownloadToStream(const std::string& remoteName, TIdStream& stream, bool resume) {
    CheckCommandArgument("file name", remoteName);
    resume = resume && ProbeResume();
    RunDownload("RETR " + remoteName, stream, resume);
    if (OnAfterGet)
        OnAfterGet(*this, stream);
}

void TIdFTP::DownloadToFile(const std::string& remoteName, const std::string& localPath,
                            bool canOverwrite, bool resume) {
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
    DownloadToStream(remoteName, file, resume);
    file.Close();
}

void TIdFTP::UploadFromStream(TIdStream& stream, const std::string& remoteName, bool append) {
    CheckCommandArgument("file name", remoteName);
    std::string command = remoteName.empty() ? "STOU " : (append ? "APPE " : "STOR ") + remoteName;
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
