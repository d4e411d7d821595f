#include "engine/ftp/id_ftp.h"

#include "engine/core/errors.h"
#include "engine/core/text.h"

namespace tavo::engine {

void CheckCommandArgument(const char* what, const std::string& value) {
    if (HoldsLineBreakOrNul(value))
        throw EIdException(std::string("The ") + what +
                           " holds a CR, LF or NUL character; the command was not sent.");
}

void TIdFTP::IssueSuccessCommand(const std::string& text) {
    // Servers differ in which 2xx they send ("200 DELE command successful." where RFC 959
    // names 250); every 2xx means the command was done.
    int code = IssueCommand(text, AnyReplyCode);
    if (code < 200 || code > 299)
        throw EIdProtocolReplyError(code, LastReply.TextWithLineEnds());
}

TIdFTP::TIdFTP() {
    Port = 21;
}

TIdFTP::~TIdFTP() = default;

void TIdFTP::OpenSession(bool autoLogin, int timeout) {
    const std::string host = Host;
    const int port = Port;
    extendedPassiveRefused_ = false;
    utf8Names_ = false;
    dataProtected_ = false;
    PeerCertificate = {};
    Features.clear();
    listedNames_.clear();
    directoryNames_.clear();
    try {
        try {
            if (ProxySettings.ProxyType != fpcmNone && !ProxySettings.Host.empty()) {
                Host = ProxySettings.Host;
                Port = ProxySettings.Port;
            } else if (Port == 0 && UseTLS == utUseImplicitTLS) {
                Port = ImplicitTLSPort;
            }
            OpenConnection(timeout);
        } catch (...) {
            Host = host;
            Port = port;
            throw;
        }
        Host = host;
        Port = port;
        if (UseTLS == utUseImplicitTLS)
            SecureControlConnection();
        AwaitReply({220});
        GreetingReply = LastReply;
        if (UseTLS == utUseExplicitTLS) {
            const int code = IssueCommand("AUTH TLS", AnyReplyCode);
            if (code != 234)
                throw EIdAuthTLSRefused(code, LastReply.TextWithLineEnds());
            SecureControlConnection();
        }
        if (autoLogin) {
            SendCredentials();
            if (UseTLS != utNoTLSSupport)
                ProtectDataConnections();
            if (OnAfterClientLogin)
                OnAfterClientLogin(*this);
            SendTransferType();
            int code = IssueCommand("SYST", {200, 215, 500});
            SystemDescription = code == 500 || LastReply.Text.empty() ? std::string("Unknown")
                                                                      : LastReply.Text.front();
            NegotiateUtf8Names();
            ReportStatus(ftpReady, "Connection established");
        }
    } catch (...) {
        CloseConnection();
        throw;
    }
}

void TIdFTP::BasicLogin(const std::string& user, const std::string& password) {
    CheckCommandArgument("user name", user);
    CheckCommandArgument("password", password);
    if (IssueCommand("USER " + user, {230, 331}) == 331)
        IssueCommand("PASS " + password, {230});
}

void TIdFTP::SendCredentials() {
    const TIdFtpProxySettings& proxy = ProxySettings;
    auto proxyLogin = [&] {
        if (!proxy.UserName.empty())
            BasicLogin(proxy.UserName, proxy.Password);
    };
    CheckCommandArgument("host name", Host);
    switch (proxy.ProxyType) {
    case fpcmNone:
        BasicLogin(Username, Password);
        break;
    case fpcmUserSite:
        proxyLogin();
        BasicLogin(Username + "@" + Host, Password);
        break;
    case fpcmSite:
        proxyLogin();
        IssueCommand("SITE " + Host, AnyReplyCode);
        BasicLogin(Username, Password);
        break;
    case fpcmOpen:
        proxyLogin();
        IssueCommand("OPEN " + Host, AnyReplyCode);
        BasicLogin(Username, Password);
        break;
    case fpcmUserPass:
        BasicLogin(Username + "@" + proxy.UserName + "@" + Host,
                   proxy.Password.empty() ? Password : Password + "@" + proxy.Password);
        break;
    case fpcmTransparent:
        proxyLogin();
        BasicLogin(Username, Password);
        break;
    case fpcmHttpProxyWithFtp:
        throw EIdException("Command not supported.");
    }
    LoginReply = LastReply;
}

void TIdFTP::SendTransferType() {
    IssueSuccessCommand(transferType_ == ftASCII ? "TYPE A" : "TYPE I");
}

void TIdFTP::SetTransferType(TIdFTPTransferType value) {
    if (activeDataChannel_ != nullptr || value == transferType_)
        return;
    transferType_ = value;
    if (IsConnected())
        SendTransferType();
}

bool TIdFTP::ProbeResume() {
    if (ResumeProbed)
        return ResumeSupported;
    ResumeProbed = true;
    ResumeSupported = IssueCommand("REST 1", AnyReplyCode) == 350;
    IssueCommand("REST 0", AnyReplyCode);
    return ResumeSupported;
}

void TIdFTP::ChangeDirectory(const std::string& path) {
    CheckCommandArgument("path", path);
    IssueSuccessCommand("CWD " + ServerPath(path));
}

std::string TIdFTP::QueryCurrentDirectory() {
    IssueCommand("PWD", {257});
    std::string line = LastReply.Text.empty() ? std::string() : LastReply.Text.front();
    size_t open = line.find('"');
    if (open == std::string::npos)
        return {};
    std::string rest = line.substr(open + 1);
    return ClientName(rest.substr(0, rest.find('"')), directoryNames_);
}

void TIdFTP::CreateDirectory(const std::string& name) {
    CheckCommandArgument("directory name", name);
    IssueSuccessCommand("MKD " + ServerPath(name));
}

void TIdFTP::DeleteDirectory(const std::string& name) {
    CheckCommandArgument("directory name", name);
    IssueSuccessCommand("RMD " + ServerPath(name));
}

void TIdFTP::DeleteRemoteFile(const std::string& name) {
    CheckCommandArgument("file name", name);
    IssueSuccessCommand("DELE " + ServerPath(name));
}

void TIdFTP::RenameEntry(const std::string& oldName, const std::string& newName) {
    CheckCommandArgument("old name", oldName);
    CheckCommandArgument("new name", newName);
    IssueCommand("RNFR " + ServerPath(oldName), {350});
    IssueSuccessCommand("RNTO " + ServerPath(newName));
}

int64_t TIdFTP::RemoteFileSize(const std::string& name) {
    CheckCommandArgument("file name", name);
    if (IssueCommand("SIZE " + ServerPath(name), AnyReplyCode) != 213)
        return -1;
    std::string text = Trim(LastReply.TextWithLineEnds());
    size_t space = text.find(' ');
    if (space != std::string::npos)
        text.erase(0, space + 1);
    int64_t size = ToInt64(text, -1);
    return size < 0 ? -1 : size;
}

void TIdFTP::CloseSession() {
    if (IsConnected())
        SendLine("QUIT");
    CloseConnection();
}

void TIdFTP::AbortTransfer() {
    if (IsConnected()) {
        SendLine("ABOR");
        abortSent_ = true;
    }
    if (activeDataChannel_ != nullptr)
        activeDataChannel_->DropSocket();
}

} // namespace tavo::engine
