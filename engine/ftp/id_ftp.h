#pragma once
// The FTP session: the control connection (RFC 959) and every command the control issues,
// with passive and active data connections for listings and transfers.

#include "engine/core/id_tcp_client.h"
#include "engine/ftp/id_simple_server.h"
#include "engine/listing/list_item.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tavo::engine {

enum TIdFTPTransferType { ftASCII, ftBinary };

enum TIdFtpProxyType : uint8_t {
    fpcmNone = 0,
    fpcmUserSite,
    fpcmSite,
    fpcmOpen,
    fpcmUserPass,
    fpcmTransparent,
    fpcmHttpProxyWithFtp = 6
};

// How a session uses TLS (RFC 4217).
enum TIdUseTLS {
    utNoTLSSupport,   // plain FTP
    utUseImplicitTLS, // TLS from the first byte on, before the greeting (port 990 by default)
    utUseExplicitTLS  // AUTH TLS after the greeting, before the log-in
};

struct TIdFtpProxySettings {
    std::string Host;
    std::string UserName;
    std::string Password;
    TIdFtpProxyType ProxyType = fpcmNone;
    int Port = 0;
};

class TIdFTP : public TIdTCPClient {
public:
    TIdFTP();
    ~TIdFTP() override;

    std::string Username;
    std::string Password;
    bool Passive = false;
    TIdFtpProxySettings ProxySettings;
    // Longest wait for the server's incoming data connection in active mode, in ms.
    int DataAcceptTimeout = 60000;
    // A data connection that moves no byte for this long fails (EIdDataStalled), in ms;
    // 0 = no limit.
    int DataStallTimeout = 30000;
    // Longest wait for the final reply of a transfer that failed, in ms. A reply that does
    // not come by then could answer a later command, so the control connection is dropped.
    int PendingReplyTimeout = 3000;
    // Bytes one socket call of a data connection moves at most (RecvCallSize, SendCallSize):
    // a transfer still reports and writes in RecvBufferSize and SendBufferSize blocks. Under
    // Wine each send costs three wineserver round trips besides the copy, and on a busy
    // machine each round trip waits for the server to be scheduled: there a 256 MiB upload
    // took 0.36 s in 256 KiB calls and 0.24 s in 1 MiB calls; with the form, 0.20-0.24 s in
    // 1 MiB calls and 0.17-0.19 s in 2 MiB calls (4 MiB gave no more).
    int DataCallSize = 2 << 20;
    // The code page of the names and paths the caller gives and gets (Windows numbering; 0 is
    // the system's ANSI code page). They are converted only while Utf8Names holds.
    int NameCodePage = 0;
    // With TLS the log-in goes out only over TLS, and after it PBSZ 0 and PROT P protect every
    // data connection; a server that refuses any of that ends the session (never a fall-back
    // to clear text). Port 0 with implicit TLS means ImplicitTLSPort.
    TIdUseTLS UseTLS = utNoTLSSupport;
    static constexpr int ImplicitTLSPort = 990;
    // Asked when the server's certificate is not trusted or does not name Host; true accepts it
    // for this session. Without an answer of true the session ends with EIdCertificateRejected.
    // A data connection's certificate is asked about only when it is not the control
    // connection's.
    std::function<bool(TIdFTP& sender, const platform::TlsCertificateInfo& certificate)>
        OnVerifyPeer;

    std::function<void(TIdFTP& sender)> OnAfterClientLogin;
    std::function<void(TIdFTP& sender, TIdStream& stream)> OnAfterGet;
    std::function<void(TIdFTP& sender, std::unique_ptr<TIdFTPListItems>& list)> OnCreateFTPList;
    std::function<void(TIdFTP& sender, const std::string& line, TIdFTPListFormat& format)>
        OnCheckListFormat;
    // Reads the entries of a listing whose format OnCheckListFormat set to flfCustom.
    std::function<void(TIdFTP& sender, TIdFTPListItem& item)> OnParseCustomListFormat;

    TIdRFCReply LoginReply;
    std::string SystemDescription;
    bool ResumeProbed = false;
    bool ResumeSupported = false;
    TListingLines ListingLines;
    // Host and port as the last 227 reply named them, or the control connection's peer and
    // the port of the last 229 reply (which names no host). The data connection itself goes
    // to the control connection's peer.
    std::string PassiveReplyHost;
    int PassiveReplyPort = 0;
    // The extensions the server's FEAT reply listed at log-in (RFC 2389).
    std::vector<std::string> Features;
    // The control connection's certificate, once its handshake is done.
    platform::TlsCertificateInfo PeerCertificate;

    // The server agreed to UTF-8 names (FEAT listed UTF8, RFC 2640, and it accepted
    // OPTS UTF8 ON): every name and path goes out in UTF-8 and comes back in NameCodePage.
    bool Utf8Names() const { return utf8Names_; }
    // A name or path as the server knows it. One this session handed out for a server name
    // that its conversion could not carry (ClientName) gives back that name's bytes.
    std::string ServerPath(const std::string& path) const;
    // Text of the dialogue (a command, a reply) as the caller's code page shows it: the names
    // in it are UTF-8 while Utf8Names holds. Text that is not UTF-8 stays as it is.
    std::string ShownText(const std::string& text) const;

    TIdFTPTransferType TransferType() const { return transferType_; }
    void SetTransferType(TIdFTPTransferType value);
    TIdTCPConnection* ActiveDataChannel() const { return activeDataChannel_.get(); }

    void OpenSession(bool autoLogin = true, int timeout = -1);
    void SendCredentials();
    void SendTransferType();
    bool ProbeResume();
    void ChangeDirectory(const std::string& path);
    std::string QueryCurrentDirectory();
    void CreateDirectory(const std::string& name);
    void DeleteDirectory(const std::string& name);
    void DeleteRemoteFile(const std::string& name);
    void RenameEntry(const std::string& oldName, const std::string& newName);
    // Size in bytes, or -1 when unknown or when the reply is not a plain number.
    int64_t RemoteFileSize(const std::string& name);
    void CloseSession();
    void AbortTransfer();

    void FetchListing(std::vector<std::string>* target, const std::string& mask, bool details);
    // remoteSize is the file's size as the server gave it (SIZE), or -1 when unknown. When
    // known, a binary download that ends short of it (EIdTransferEndedEarly) or runs past it
    // (EIdTransferOverrun, stopped at once) fails.
    void DownloadToStream(const std::string& remoteName, TIdStream& stream, bool resume,
                          int64_t remoteSize = -1);
    // A failed download removes the file it created and cuts a resumed file back to its
    // length before the resume; one the user stopped (AbortTransfer) keeps what arrived.
    void DownloadToFile(const std::string& remoteName, const std::string& localPath,
                        bool canOverwrite, bool resume, int64_t remoteSize = -1);
    void UploadFromStream(TIdStream& stream, const std::string& remoteName, bool append);
    void UploadFromFile(const std::string& localPath, const std::string& remoteName, bool append);
    static int64_t LocalFileSize(const std::string& localPath);

    // The parsed entries of ListingLines, parsed once per listing.
    TIdFTPListItems& ListingItems();

protected:
    // remoteSize: the whole file's size (SIZE), or -1 when unknown.
    void RunDownload(const std::string& command, TIdStream& stream, bool resume,
                     int64_t remoteSize = -1);
    void RunUpload(const std::string& command, TIdStream& stream);
    void OpenPassiveChannel(std::string& host, int& port);
    void SendPortCommand(const TIdSimpleServer& listener);
    void CopyChannelSettings(TIdTCPConnection& channel) const;

private:
    // Server bytes by the form ClientName gave them, for names that do not convert back.
    using TPinnedNames = std::map<std::string, std::string, std::less<>>;

    void NegotiateUtf8Names();
    // The control connection's handshake and certificate check.
    void SecureControlConnection();
    // PBSZ 0, then PROT P.
    void ProtectDataConnections();
    // A data connection's handshake once the transfer started, when PROT P holds.
    void SecureDataConnection(TIdTCPConnection& channel);
    // Raises EIdCertificateRejected unless the certificate verified or the caller accepted it.
    void CheckCertificate(const platform::TlsCertificateInfo& certificate);
    std::string TLSServerName() const;
    // A server's name or path for the caller: in NameCodePage, a character it lacks as '?',
    // bytes that are not UTF-8 as they are. A result that would not convert back to the
    // server's bytes is pinned to them.
    std::string ClientName(std::string_view serverName, TPinnedNames& pins) const;
    void ConvertListingNames(TIdFTPListItems& items);
    void BasicLogin(const std::string& user, const std::string& password);
    // For commands whose reply carries nothing to read: any 2xx is success.
    void IssueSuccessCommand(const std::string& text);
    std::unique_ptr<TIdTCPClient> NewPassiveChannel(int port);
    std::unique_ptr<TIdSimpleServer> NewActiveListener();
    void SendTransferCommand(const std::string& command);
    void AwaitTransferStart(const ReplyCodes& preliminary);
    void FinishTransfer(int64_t received, int64_t expectedBytes, int64_t offset);
    bool FollowUpReplyArrives();
    void ConsumePendingReply();
    bool ControlIsIPv6() const;

    TIdFTPTransferType transferType_ = ftBinary;
    std::unique_ptr<TIdTCPConnection> activeDataChannel_;
    // The running transfer's command still owes its final reply.
    bool replyPending_ = false;
    // ABOR went out during the running transfer, so its own reply follows the transfer's.
    bool abortSent_ = false;
    // The server of this session refused EPSV: later transfers go to PASV at once.
    bool extendedPassiveRefused_ = false;
    std::unique_ptr<TIdFTPListItems> listingItems_;
    bool utf8Names_ = false;
    // PROT P holds: data connections speak TLS.
    bool dataProtected_ = false;
    // Names of the last listing, and the directories PWD named in this session.
    TPinnedNames listedNames_;
    TPinnedNames directoryNames_;
};

// Reads host and port from the text of a 227 reply: "(h1,h2,h3,h4,p1,p2)", or the same
// fields after the last space; blanks around a field do not count. Only the two port fields
// must be numbers (giving 0..65535); the host fields are taken as they are, since the data
// connection never goes there. Raises EIdException naming the text it could not read.
void ParsePassiveReply(const std::string& line, std::string& host, int& port);

// Reads the port from the text of a 229 reply, "(|||port|)" with any printable delimiter
// (RFC 2428). Raises EIdException naming the text it could not read.
int ParseExtendedPassiveReply(const std::string& line);

// The argument of EPRT for a listener: "|2|::1|5001|", or "|1|a.b.c.d|port|" for IPv4.
std::string ExtendedPortArgument(const std::string& ip, int port);

// The server refused the extended command that a data connection over IPv6 needs (EPSV or
// EPRT, RFC 2428), and the classic one could not stand in for it. Carries the last reply code.
class EIdExtendedModeRefused : public EIdProtocolReplyError {
public:
    using EIdProtocolReplyError::EIdProtocolReplyError;
};

// Refuses an argument that would break the command line (CR, LF or NUL), naming it.
void CheckCommandArgument(const char* what, const std::string& value);

} // namespace tavo::engine
