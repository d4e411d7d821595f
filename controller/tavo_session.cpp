// Creation, login, the connect toggle, the command frame and the end of the session.

#include "controller/base64.h"
#include "controller/certificate_text.h"
#include "controller/login_host.h"
#include "controller/tavo_internal.h"
#include "controller/text_rules.h"
#include "engine/platform/local_time.h"

namespace tavo::controller {

using engine::TIdComponent;
using engine::TIdLogEvent;
using engine::TIdStatus;
using engine::TWorkMode;

TTavo::TTavo(ITavoView& view, TTavoOptions options)
    : view_(view),
      catalogue_(options.Catalogue != nullptr ? *options.Catalogue : EditionCatalogue()),
      system_(options.System != nullptr ? std::move(options.System)
                                        : MakeSystemServices(catalogue_.CodePage)),
      clock_(options.Clock ? std::move(options.Clock) : TMonotonicClock(platform::TickClockNow)),
      idFTP1_(std::make_unique<engine::TIdFTP>()) {
    idAntiFreeze1_.IdleTimeOut = 1600;
    idAntiFreeze1_.OnlyWhenIdle = false;

    idLogEvent1_.Active = true;
    idLogEvent1_.LogTime = false;
    idLogEvent1_.ReplaceCRLF = false;
    idLogEvent1_.OnSent = [this](TIdLogEvent& sender, const std::string& text,
                                 const std::string& data) { IdLogEvent1Sent(sender, text, data); };
    idLogEvent1_.OnReceived = [this](TIdLogEvent& sender, const std::string& text,
                                     const std::string& data) {
        IdLogEvent1Received(sender, text, data);
    };

    engine::TIdFTP& ftp = *idFTP1_;
    ftp.ReadTimeout = 12000;
    ftp.RecvBufferSize = 2048;
    ftp.SendBufferSize = 1024;
    ftp.MaxLineAction = engine::maException;
    ftp.ProxySettings.ProxyType = engine::fpcmNone;
    // The control's texts are in the edition's code page; a UTF-8 server's names are
    // converted to it.
    ftp.NameCodePage = catalogue_.CodePage;
    ftp.ProxySettings.Port = 0;
    ftp.OnStatus = [this](TIdComponent& sender, TIdStatus status, const std::string& text) {
        IdFTP1Status(sender, status, text);
    };
    ftp.OnWorkBegin = [this](TIdComponent& sender, TWorkMode mode, int64_t countMax) {
        IdFTP1WorkBegin(sender, mode, countMax);
    };
    ftp.OnWork = [this](TIdComponent& sender, TWorkMode mode, int64_t count) {
        IdFTP1Work(sender, mode, count);
    };
    ftp.OnWorkEnd = [this](TIdComponent& sender, TWorkMode mode) { IdFTP1WorkEnd(sender, mode); };
    ftp.OnVerifyPeer = [this](engine::TIdFTP&, const platform::TlsCertificateInfo& certificate) {
        return AcceptCertificate(certificate);
    };
}

// Destroying the form closes an open connection without QUIT (the engine's destructor).
TTavo::~TTavo() = default;

void TTavo::FormCreate() {
    if (idFTP1_ != nullptr)
        idFTP1_->Intercept = &idLogEvent1_;
    view_.PlaceProgressBar();
    TTavoModule& module = Module();
    module.LoginHost.clear();
    module.LoginUser.clear();
    module.LoginPassword.clear();
    module.LoginPort = 21;
    view_.SetConnectButtonEnabled(true);
    view_.SetShareListCheckEnabled(true);
    view_.SetStatusText(catalogue_.StatusReady);
    view_.ShowSharePanel(view_.IsShareListChecked(), SharePanelLayout(49));
    view_.ShowTracePanel(view_.IsTraceChecked());
}

void TTavo::Set_Login(const std::string& host, const std::string& user, int32_t port,
                      const std::string& passwordBase64) {
    if (idFTP1_ == nullptr)
        throw EControlClosed();
    TTavoModule& module = Module();
    module.LoginHost = host;
    module.LoginUser = user;
    module.LoginPassword = Base64Decoder(passwordBase64);
    module.LoginPort = port;
    engine::TIdFTP& ftp = *idFTP1_;
    ApplyLoginTarget(ftp);
    ftp.Username = module.LoginUser;
    ftp.Password = module.LoginPassword;
    ftp.Passive = view_.IsPassiveChecked();
    ConnectServer();
}

void TTavo::OpenEngineSession() {
    engine::TIdFTP& ftp = Ftp();
    const TTavoModule& module = Module();
    ftp.Username = module.LoginUser;
    ftp.Password = module.LoginPassword;
    ApplyLoginTarget(ftp);
    ftp.Passive = view_.IsPassiveChecked();
    ftp.OpenSession(true, -1);
}

void TTavo::ApplyLoginTarget(engine::TIdFTP& ftp) const {
    const TTavoModule& module = Module();
    const TLoginTarget target = ParseLoginHost(module.LoginHost, module.LoginPort);
    ftp.Host = target.Host;
    ftp.Port = target.Port;
    ftp.UseTLS = target.UseTLS;
}

bool TTavo::AcceptCertificate(const platform::TlsCertificateInfo& certificate) {
    if (acceptedCertificates_.count(certificate.Sha256) > 0)
        return true;
    if (Ask(CertificateText(catalogue_, certificate), mbYesNo) != mrYes)
        return false;
    acceptedCertificates_.insert(certificate.Sha256);
    return true;
}

void TTavo::ConnectServer() {
    const TCatalogue& c = catalogue_;
    TEngineUse use(*this);
    // A press while a connect still waits (connecting, logging in, the first listing): the
    // user may always end a wait, so it offers to stop as a press during a transfer does.
    if (connectDepth_ > 0) {
        StopWaitingConnect();
        return;
    }
    TDepth connecting(connectDepth_);

    // A transfer that runs under the connect caption is offered to be aborted below.
    if (view_.GetConnectCaption() == c.CaptionConnect &&
        !(transferInProgress_ && EngineConnected())) {
        if (idFTP1_ == nullptr) {
            Inform(c.MsgConnectFailed);
            return;
        }
        if (EngineConnected()) {
            // The session is open already: only the button and the box catch up.
            view_.SetCurrentDirText("/");
        } else {
            connectStopped_ = false;
            try {
                OpenEngineSession();
            } catch (const std::exception&) {
                // The reason is in the trace and the status bar; the box says what failed.
                if (!connectStopped_)
                    Inform(c.MsgConnectFailed);
            }
            if (!connectStopped_)
                ViewList();
            if (connectStopped_) {
                connectStopped_ = false;
                ShowIdleStatus();
                return;
            }
        }
        if (EngineConnected()) {
            view_.SetConnectButton(c.CaptionDisconnect, c.HintDisconnect);
            ShowIdleStatus();
        }
        return;
    }

    try {
        if (transferInProgress_) {
            if (Ask(c.MsgConfirmAbort, mbYesNo) != mrYes)
                return;
            engine::TIdFTP& ftp = Ftp();
            ftp.AbortTransfer();
            ftp.CloseSession();
            ShowDisconnected();
            return;
        }
        if (EngineConnected())
            Ftp().CloseSession();
        ShowDisconnected();
    } catch (const std::exception&) {
        Inform(c.MsgConnectFailed);
    }
    ShowIdleStatus();
}

void TTavo::StopWaitingConnect() {
    const TCatalogue& c = catalogue_;
    if (Ask(c.MsgConfirmAbort, mbYesNo) != mrYes)
        return;
    engine::TIdFTP& ftp = Ftp();
    // ABOR and QUIT as for a transfer, but the socket is only dropped, not released: the
    // connect further up the stack still holds it (it may still be in the TCP handshake) and
    // finds it closed when it wakes. A refused send changes nothing: the connection goes.
    try {
        ftp.AbortTransfer();
        if (ftp.IsConnected())
            ftp.SendLine("QUIT");
    } catch (const std::exception&) {
    }
    ftp.DropSocket();
    connectStopped_ = true;
    ShowDisconnected();
}

void TTavo::ShowDisconnected() {
    transferInProgress_ = false;
    view_.SetConnectButton(catalogue_.CaptionConnect, catalogue_.HintConnect);
}

void TTavo::ShowDroppedSession() {
    // Nested inside another command or the toggle, the outer one decides when it ends.
    if (commandDepth_ > 0 || connectDepth_ > 0 || idFTP1_ == nullptr ||
        view_.GetConnectCaption() == catalogue_.CaptionConnect || EngineConnected())
        return;
    ShowDisconnected();
    view_.SetStatusText(engine::StatusText(engine::hsDisconnected, {}));
}

void TTavo::ConnectButtonClick() {
    ConnectServer();
}

void TTavo::PassiveClick() {
    if (idFTP1_ != nullptr)
        idFTP1_->Passive = view_.IsPassiveChecked();
}

void TTavo::Timer1Timer() {
    system_->TrimWorkingSet();
}

bool TTavo::Close() {
    if (idFTP1_ == nullptr)
        return true;
    {
        TEngineUse use(*this);
        engine::TIdFTP& ftp = *idFTP1_;
        // The page is going away: nothing goes back to it. The commands that were sent are in
        // the trace already.
        try {
            if (transferInProgress_) {
                ftp.AbortTransfer();
                ftp.CloseSession();
            }
        } catch (const std::exception&) {
        }
        try {
            if (ftp.IsConnected())
                ftp.CloseSession();
        } catch (const std::exception&) {
        }
        retiredFTP_ = std::move(idFTP1_);
    }
    return true;
}

void TTavo::ShowIdleStatus() {
    if (!transferInProgress_)
        view_.SetStatusText(catalogue_.StatusTransferDone);
}

void TTavo::RunCommand(TToolButton button, bool guarded, const std::function<void()>& body) {
    std::optional<std::string> escaped;
    {
        TEngineUse use(*this);
        // Another command or the connect toggle waits in the engine further up the stack:
        // a second dialogue on the one control connection would mix up the replies.
        const bool nested = commandDepth_ > 0 || connectDepth_ > 0;
        TDepth running(commandDepth_);
        try {
            if (guarded && (transferInProgress_ || nested))
                Inform(catalogue_.MsgTransferBusy);
            else if (guarded && !EngineConnected())
                Inform(catalogue_.MsgNotConnected);
            else
                body();
        } catch (const std::exception& error) {
            escaped = ErrorReportText(ShownServerText(error.what()));
        }
    }
    view_.RearmButton(button);
    // A refused nested command leaves the status of the one that waits; the commands that
    // need no connection run nested as well and end as they always do.
    if (!transferInProgress_ && (!guarded || (commandDepth_ == 0 && connectDepth_ == 0)))
        view_.SetStatusText(catalogue_.StatusDone);
    ShowDroppedSession();
    if (escaped)
        view_.ReportError(*escaped);
}

std::string TTavo::ShownServerText(const std::string& text) const {
    return idFTP1_ != nullptr ? idFTP1_->ShownText(text) : text;
}

void TTavo::Inform(const std::string& text) {
    view_.ShowMessageBox(text, mkInformation, mbOK);
}

TModalResult TTavo::Ask(const std::string& text, TMessageButtons buttons) {
    return view_.ShowMessageBox(text, mkConfirmation, buttons);
}

engine::TIdFTP& TTavo::Ftp() {
    if (idFTP1_ == nullptr)
        throw EControlClosed();
    return *idFTP1_;
}

bool TTavo::EngineConnected() {
    return idFTP1_ != nullptr && idFTP1_->IsConnected();
}

} // namespace tavo::controller
