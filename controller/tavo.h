#pragma once
// The control's form logic: session and connect toggle, remote listing and navigation,
// transfers with progress, remote file operations, the share list and its page protocol, and
// the protocol trace. It reaches the server only through its engine (IdFTP1) and the screen
// only through the view contract (ITavoView).
//
// Everything runs on the host's user-interface thread. Engine operations block, but while
// they wait the engine runs the host's message pump, so commands, timer ticks and automation
// calls may run nested inside a waiting command. Nested user commands are refused while
// another command runs (with the busy message); the connect toggle and Close are not, so the
// user can stop a transfer, or a connect that waits, from inside its wait.
//
// A host constructs the object, then calls FormCreate() once, as the form's creation does.
// On Windows the engine's waits run the thread's window messages; a headless host runs its
// own "user actions" from inside those waits through platform::SetPumpCallback
// (engine/platform/message_pump.h).
// The English edition's form class TTavo2 is the same class built with the English catalogue.

#include "controller/catalogue.h"
#include "controller/module_state.h"
#include "controller/progress_text.h"
#include "controller/system/system_services.h"
#include "controller/view.h"
#include "engine/core/errors.h"
#include "engine/core/id_antifreeze.h"
#include "engine/core/id_intercept.h"
#include "engine/ftp/id_ftp.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace tavo::controller {

using TMonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

struct TTavoOptions {
    // The texts; null means the edition this program was built as.
    const TCatalogue* Catalogue = nullptr;
    // The operating system's services; null means the real ones.
    std::unique_ptr<ISystemServices> System;
    // The clock that times transfers; null means the platform's tick clock.
    TMonotonicClock Clock;
};

// An automation call made after Close, when the control has no engine any more.
class EControlClosed : public engine::EIdException {
public:
    EControlClosed() : EIdException("The control has been closed.") {}
};

class TTavo {
public:
    explicit TTavo(ITavoView& view, TTavoOptions options = {});
    ~TTavo();
    TTavo(const TTavo&) = delete;
    TTavo& operator=(const TTavo&) = delete;

    // Attaches the trace hook, places the progress bar, resets the login values (port 21),
    // enables the connect button and the share-list box, shows the ready status and lays
    // the panels out for the check boxes' states.
    void FormCreate();

    // ---- User commands. None of them throws: an error a command does not handle goes to
    // the view's ReportError after the command's exit step.

    // The connect button: connects, disconnects, or offers to abort a running transfer.
    void ConnectButtonClick();
    // "被动模式" clicked: copies the box into the engine's Passive.
    void PassiveClick();
    // Double-click, the download button or its menu item: opens a directory row, downloads a
    // file row.
    void ListViewRemoteDblClick();
    // Up one level.
    void BackButtonClick();
    void UploadButtonClick();
    void DeleteButtonClick();
    void CreateDirButtonClick();
    void DelDir();
    // Rename or move.
    void N3Click();
    // Adds the selected file to the share list.
    void AddShareFile();
    // Removes the selected line of the share list.
    void DelShareFile();
    // Send share: raises GoToFlag.
    void bsSkinSpeedButton9Click();
    // "共享列表" clicked: shows or hides the share panel.
    void CheckShareListClick();
    // "操作记录" clicked: shows or hides the trace panel and hangs the trace hook on or off.
    void TraceCheckBoxClick();
    // The five-second timer.
    void Timer1Timer();

    // ---- Automation calls, forwarded by the control layer (texts already 8-bit). An error
    // that leaves one of them becomes the automation call's failure result.

    // Stores the login values (the password as Base64) and runs the connect toggle, which
    // disconnects a connected control. The host's form may ask for TLS (login_host.h).
    // Throws EControlClosed after Close.
    void Set_Login(const std::string& host, const std::string& user, int32_t port,
                   const std::string& passwordBase64);
    // Aborts a running transfer, ends the session and destroys the engine; reports no engine
    // error. Afterwards every command takes its not-connected path. Always succeeds.
    bool Close();
    int32_t Get_GoToFlag() const;
    void Set_GoToFlag(int32_t value);
    // "|" before every non-empty line of the share list, 8-bit.
    std::string Get_ShareList();
    // Stored, and changes nothing visible: every read builds the text afresh.
    void Set_ShareList(const std::string& value);
    // 1 shows the share commands, 2 hides them, 3 clears and 4 sets passive mode.
    void Enable_ShareList(int32_t code);

    // ---- Events of the engine and its trace hook, bound by the constructor.
    void IdFTP1Status(engine::TIdComponent& sender, engine::TIdStatus status,
                      const std::string& text);
    void IdFTP1WorkBegin(engine::TIdComponent& sender, engine::TWorkMode mode, int64_t countMax);
    void IdFTP1Work(engine::TIdComponent& sender, engine::TWorkMode mode, int64_t count);
    void IdFTP1WorkEnd(engine::TIdComponent& sender, engine::TWorkMode mode);
    void IdLogEvent1Sent(engine::TIdLogEvent& sender, const std::string& text,
                         const std::string& data);
    void IdLogEvent1Received(engine::TIdLogEvent& sender, const std::string& text,
                             const std::string& data);

    // ---- Operations the commands share. They run no command frame.

    // The connect toggle behind the connect button and Set_Login.
    void ConnectServer();
    // "传送完毕" unless a transfer runs.
    void ShowIdleStatus();
    // Changes to the directory the current-directory box names, lists it and fills the
    // rows; shows its own messages.
    void ViewList();
    // Lists the current directory again and fills the rows (links as directory rows). A
    // failure to fill reaches the caller.
    void RefreshRemoteList();
    // The rows from the engine's last parsed listing; linkIcon is the icon of link entries.
    void FillRemoteRows(int linkIcon);
    // Decides from the server's last reply what the user is told after a failure; failure is
    // the caught error's message, shown when the reply says nothing the check knows.
    void CheckOperationOutcome(const std::optional<std::string>& failure = std::nullopt);
    // Appends the block's lines to the trace list, each after the prefix.
    void AddTraceText(const std::string& prefix, const std::string& data);
    // Appends one line to the trace list, which keeps its last MaxTraceLines lines.
    void TraceLine(const std::string& line);
    // The file-system path of a shell special folder (CSIDL_DESKTOPDIRECTORY).
    std::string GetSpecialFolderDir(int csidl);

    // ---- State.
    bool TransferInProgress() const { return transferInProgress_; }
    // True while a command, the connect toggle or an engine call runs further up the stack
    // (the object was reached from the message pump inside one of them): it must outlive
    // them.
    bool CallsOnStack() const { return engineDepth_ > 0 || commandDepth_ > 0 || connectDepth_ > 0; }
    // What the coming or running download is expected to carry (-1 when unknown).
    int64_t ExpectedSize() const { return expectedSize_; }
    const TCatalogue& Catalogue() const { return catalogue_; }
    // The form's engine; null after Close. Hosts may adjust its settings (tests shorten
    // ReadTimeout).
    engine::TIdFTP* IdFTP1() { return idFTP1_.get(); }
    engine::TIdLogEvent& IdLogEvent1() { return idLogEvent1_; }
    engine::TIdAntiFreeze& IdAntiFreeze1() { return idAntiFreeze1_; }

private:
    class TEngineUse;
    class TDepth;

    void RunCommand(TToolButton button, bool guarded, const std::function<void()>& body);
    void Inform(const std::string& text);
    // A server's text (a reply, an error carrying one) in the edition's code page: a server
    // that agreed to UTF-8 sends the names in it in UTF-8.
    std::string ShownServerText(const std::string& text) const;
    TModalResult Ask(const std::string& text, TMessageButtons buttons);
    // The engine, or EControlClosed after Close.
    engine::TIdFTP& Ftp();
    bool EngineConnected();
    void OpenEngineSession();
    // The disconnected state of the connect toggle: the next press connects.
    void ShowDisconnected();
    // After a command: the engine dropped the session (a transfer's reply that never came,
    // a reset, a broken reply), so the button and the status say so at once.
    void ShowDroppedSession();
    void DownloadFile(const std::string& remoteName);
    TSharePanelLayout SharePanelLayout(int shareListHeightMargin) const;
    std::string SizeText(int64_t bytes) const;
    std::string DateText(engine::TDateTime value) const;
    // Offers to stop a connect that waits further up the stack; on Yes drops the connection
    // and shows the disconnected state.
    void StopWaitingConnect();
    // The engine's question about a server certificate that could not be verified: asked
    // with Yes and No, once per certificate while this control lives.
    bool AcceptCertificate(const platform::TlsCertificateInfo& certificate);
    // The engine's host, port and TLS from the login values.
    void ApplyLoginTarget(engine::TIdFTP& ftp) const;

    ITavoView& view_;
    const TCatalogue& catalogue_;
    std::unique_ptr<ISystemServices> system_;
    TMonotonicClock clock_;

    engine::TIdAntiFreeze idAntiFreeze1_;
    engine::TIdLogEvent idLogEvent1_;
    std::unique_ptr<engine::TIdFTP> idFTP1_;
    // The engine after Close while an engine call further up the stack still runs in it.
    std::unique_ptr<engine::TIdFTP> retiredFTP_;
    int engineDepth_ = 0;
    int commandDepth_ = 0;
    int connectDepth_ = 0;
    // The user stopped the connect that waits further up the stack.
    bool connectStopped_ = false;
    // Fingerprints (SHA-256) of the certificates the user accepted.
    std::set<std::string> acceptedCertificates_;
    size_t traceLineCount_ = 0;

    bool transferInProgress_ = false;
    int64_t expectedSize_ = 0;
    std::chrono::steady_clock::time_point transferStartTime_;
    int64_t progressMax_ = 0;
    TProgressScale progressScale_;
    TFloatPattern speedFormat_;
    TRemainingPattern remainingFormat_;
    std::string progressLine_;
};

using TTavo2 = TTavo;

} // namespace tavo::controller
