#pragma once
// A headless view for the controller's tests: it keeps the screen's state as plain data,
// records every operation in one ordered log, and answers modal boxes from queues. A
// confirmation, input box or chooser with no queued answer is a test failure (information
// boxes answer OK by themselves).

#include "controller/view.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tavo::testing {

using controller::TModalResult;

class RecordingView : public controller::ITavoView {
public:
    // ---- What the screen shows.
    std::string ConnectCaption;
    std::string CurrentDir = "/";
    std::vector<controller::TRemoteRow> Rows;
    int SelectedRow = -1;
    std::vector<std::string> Share;
    int SelectedShareLine = -1;
    bool Passive = true;
    bool ShareChecked = false;
    bool TraceChecked = false;

    // ---- What happened, in order: "status:<text>", "box:<text>", "confirm:<text>",
    // "error:<text>", "trace:<line>", "trace-removed", "row:<type>|<cells>|<icon>", "clear",
    // "dir:<text>", "connect:<caption>|<hint>", "rearm:<button>", "max:<n>", "pos:<n>", and the
    // layout operations.
    std::vector<std::string> Log;
    // The log entries that start with the prefix, without it.
    std::vector<std::string> Entries(const std::string& prefix) const;
    void ClearLog() { Log.clear(); }

    // ---- Answers for the next modal boxes.
    std::deque<TModalResult> Answers;
    std::deque<std::optional<std::string>> Inputs;
    std::deque<std::optional<std::string>> Choices;

    // Selects the row whose name is given (none when absent); false when there is none.
    bool Select(const std::string& name);
    std::vector<std::string> RowNames() const;

    void SetStatusText(const std::string& text) override;
    TModalResult ShowMessageBox(const std::string& text, controller::TMessageKind kind,
                                controller::TMessageButtons buttons) override;
    bool AskText(const std::string& caption, const std::string& prompt,
                 std::string& value) override;
    std::optional<std::string> ChooseUploadFile(const std::string& initialFolder) override;
    std::optional<std::string> ChooseSaveFile(const std::string& initialFolder,
                                              const std::string& suggestedName) override;
    void ReportError(const std::string& message) override;
    void ClearRemoteRows() override;
    void AddRemoteRow(const controller::TRemoteRow& row) override;
    std::optional<controller::TSelectedRow> SelectedRemoteRow() override;
    std::string SelectedRemoteSize() override;
    std::string GetCurrentDirText() override { return CurrentDir; }
    void SetCurrentDirText(const std::string& text) override;
    std::string GetConnectCaption() override { return ConnectCaption; }
    void SetConnectButton(const std::string& caption, const std::string& hint) override;
    void SetConnectButtonEnabled(bool enabled) override;
    void RearmButton(controller::TToolButton button) override;
    void ShowShareCommands(bool visible) override;
    void PlaceProgressBar() override;
    void SetProgressMax(int32_t count) override;
    void SetProgressPosition(int32_t count) override;
    bool IsPassiveChecked() override { return Passive; }
    void SetPassiveChecked(bool checked) override;
    bool IsShareListChecked() override { return ShareChecked; }
    void SetShareListChecked(bool checked) override;
    void SetShareListCheckEnabled(bool enabled) override;
    bool IsTraceChecked() override { return TraceChecked; }
    void AppendTraceLine(const std::string& text) override;
    void RemoveFirstTraceLine() override;
    void ShowTracePanel(bool visible) override;
    void ShowSharePanel(bool visible, const controller::TSharePanelLayout& layout) override;
    void LayOutShareList(int heightMargin, int buttonsBarHeight) override;
    std::vector<std::string> ShareLines() override { return Share; }
    void AddShareLine(const std::string& line) override;
    bool RemoveSelectedShareLine() override;
};

} // namespace tavo::testing
