#pragma once
// The view contract: everything the controller does to the screen goes through these
// operations, and everything it learns from the screen (check boxes, the selected row, the
// current-directory box, the share list) comes back through them. The Windows form implements
// it with its widgets; a headless host or a test implements it with plain data.
//
// All texts are 8-bit, in the edition's code page; names from the server pass through as the
// server sent them. Every operation runs on the user-interface thread, and the modal ones
// (message box, input box, choosers) may be called from inside a waiting engine operation.
//
// Setting a check box through this contract does not run its click handler: the controller
// runs the handler itself where a program-made change should act like a click.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavo::controller {

enum TMessageKind { mkInformation, mkConfirmation };
enum TMessageButtons { mbOK, mbYesNo, mbYesNoCancel };
// The button pressed. Closing a box without a button answers mrCancel.
enum TModalResult { mrOk, mrYes, mrNo, mrCancel };

// The tool buttons a command re-arms when it ends (form field names in the comments).
enum TToolButton {
    tbUpload,      // bsSkinSpeedButton3
    tbDownload,    // bsSkinSpeedButton6
    tbDeleteFile,  // bsSkinSpeedButton4
    tbRename,      // bsSkinSpeedButton2
    tbShare,       // bsSkinSpeedButton5
    tbUp,          // bsSkinSpeedButton7
    tbCreateDir,   // CreateDirButton
    tbDeleteDir,   // DelDirButton
    tbRemoveShare, // bsSkinSpeedButton8
    tbSendShare,   // bsSkinSpeedButton9
};

// Icon index 0 marks a directory row (opening it changes directory), any other a file row.
inline constexpr int DirectoryIcon = 0;

struct TRemoteRow {
    std::string TypeText;           // first column ("属性")
    std::vector<std::string> Cells; // name, size text, time text; the parent row has ".." only
    int IconIndex = 0;
    bool Focused = false; // carries the focus mark without being selected
};

struct TSelectedRow {
    std::string Name; // the row's first cell
    int IconIndex = 0;
};

// How the row of file panels is laid out while the share panel shows (pixels).
struct TSharePanelLayout {
    int SplitterLeft = 500;        // Splitter2, lined up after the remote-file panel
    int RemotePanelMargin = 0;     // Panel6 width = directory bar (bsSkinPanel2) width - this
    int SharePanelWidth = 0;       // Panel7; it fills the rest of the row
    int ShareListHeightMargin = 0; // ShareListBox height = Panel6 height - this, at the top
    int ButtonsBarHeight = 28;     // Panel4, set before it is made to fill the rest
};

class ITavoView {
public:
    virtual ~ITavoView() = default;

    // ---- Status bar and modal boxes.
    // The second panel of the status bar.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual TModalResult ShowMessageBox(const std::string& text, TMessageKind kind,
                                        TMessageButtons buttons) = 0;
    // One-line input box; OK stores the edited text into value and answers true, Cancel
    // leaves value alone and answers false.
    virtual bool AskText(const std::string& caption, const std::string& prompt,
                         std::string& value) = 0;
    // Open chooser for an existing file; nothing when cancelled.
    virtual std::optional<std::string> ChooseUploadFile(const std::string& initialFolder) = 0;
    // Save chooser that does not ask before an existing file; nothing when cancelled.
    virtual std::optional<std::string> ChooseSaveFile(const std::string& initialFolder,
                                                      const std::string& suggestedName) = 0;
    // The form's general error report: an error that left a command unhandled, its text
    // shaped by ErrorReportText.
    virtual void ReportError(const std::string& message) = 0;

    // ---- Remote list (ListViewRemote).
    virtual void ClearRemoteRows() = 0;
    virtual void AddRemoteRow(const TRemoteRow& row) = 0;
    virtual std::optional<TSelectedRow> SelectedRemoteRow() = 0;
    // The size cell (second cell) of the selected row; empty with none.
    virtual std::string SelectedRemoteSize() = 0;

    // ---- Current-directory box (CurrentDirEdit, "/" at start).
    virtual std::string GetCurrentDirText() = 0;
    virtual void SetCurrentDirText(const std::string& text) = 0;

    // ---- Buttons.
    virtual std::string GetConnectCaption() = 0;
    // Caption and hint of ConnectButton, and its glyph from the "reconnect" bitmap.
    virtual void SetConnectButton(const std::string& caption, const std::string& hint) = 0;
    virtual void SetConnectButtonEnabled(bool enabled) = 0;
    // Disables the command's tool button and at once enables it again.
    virtual void RearmButton(TToolButton button) = 0;
    // Shows or hides the share command's tool button, its menu item (N17) and the check box
    // "共享列表".
    virtual void ShowShareCommands(bool visible) = 0;

    // ---- Progress bar (ProgressBar1), in the first panel of the status bar.
    virtual void PlaceProgressBar() = 0;
    virtual void SetProgressMax(int32_t count) = 0;
    virtual void SetProgressPosition(int32_t count) = 0;

    // ---- Check boxes.
    virtual bool IsPassiveChecked() = 0; // "被动模式" (UsePassive)
    virtual void SetPassiveChecked(bool checked) = 0;
    virtual bool IsShareListChecked() = 0; // "共享列表" (CheckShareList)
    virtual void SetShareListChecked(bool checked) = 0;
    virtual void SetShareListCheckEnabled(bool enabled) = 0;
    virtual bool IsTraceChecked() = 0; // "操作记录" (TraceCheckBox)

    // ---- Trace panel (DebugListBox with Splitter1).
    // Adds the line at the end and makes it the current line.
    virtual void AppendTraceLine(const std::string& text) = 0;
    // Removes the oldest line (the controller keeps the list to its last MaxTraceLines).
    virtual void RemoveFirstTraceLine() = 0;
    // Shows or hides the trace list and its splitter; the bottom of the form then holds,
    // from the bottom edge up, the status bar, the trace list, its splitter, the file panels.
    virtual void ShowTracePanel(bool visible) = 0;

    // ---- Share panel (Panel7 with ShareListBox and Panel4, Splitter2).
    // Shown: lays the row out by the layout. Hidden: the remote-file panel fills the row and
    // the splitter hides.
    virtual void ShowSharePanel(bool visible, const TSharePanelLayout& layout) = 0;
    // Lays out the inside of the share panel again: the share list at the top with the
    // remote-file panel's height less heightMargin, the buttons bar filling the rest.
    virtual void LayOutShareList(int heightMargin, int buttonsBarHeight) = 0;
    virtual std::vector<std::string> ShareLines() = 0;
    virtual void AddShareLine(const std::string& line) = 0;
    // Removes the selected line; false when none is selected.
    virtual bool RemoveSelectedShareLine() = 0;
};

} // namespace tavo::controller
