#pragma once
// The view contract without a screen: it keeps the widgets' state as plain data, prints one
// line for every operation, and answers modal boxes from queued answers.

#include "controller/view.h"
#include "tools/tavo_host/host_output.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavo::host {

// One queued answer for the next modal box of its kind.
struct TBoxAnswer {
    controller::TModalResult Button = controller::mrCancel;
};
struct TTextAnswer {
    std::optional<std::string> Value; // nothing = Cancel
};
struct TPathAnswer {
    std::optional<std::string> Path; // nothing = Cancel
};

class THeadlessView : public controller::ITavoView {
public:
    THeadlessView(THostOutput& output, std::string initialConnectCaption);

    // ---- What a script does to the screen.
    std::deque<TBoxAnswer> BoxAnswers;
    std::deque<TTextAnswer> TextAnswers;
    std::deque<TPathAnswer> PathAnswers;
    // Selects the remote row whose name (first cell) is `name`; false when there is none.
    bool SelectRow(const std::string& name);
    void SelectNoRow() { selectedRow_ = -1; }
    bool SelectShareLine(int index);
    void PrintRows();
    // Prints a status line still held back to see whether a progress step follows it.
    void Flush();
    // Progress and status lines of a running transfer are printed only at every tenth of the
    // bar (and at its ends; without a known total at every doubling of the count) unless every
    // one is asked for. A status line is printed only when the status changes.
    bool EveryProgressLine = false;

    // ---- The contract.
    void SetStatusText(const std::string& text) override;
    controller::TModalResult ShowMessageBox(const std::string& text, controller::TMessageKind kind,
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
    std::string GetCurrentDirText() override { return currentDir_; }
    void SetCurrentDirText(const std::string& text) override;
    std::string GetConnectCaption() override { return connectCaption_; }
    void SetConnectButton(const std::string& caption, const std::string& hint) override;
    void SetConnectButtonEnabled(bool enabled) override;
    void RearmButton(controller::TToolButton button) override;
    void ShowShareCommands(bool visible) override;
    void PlaceProgressBar() override;
    void SetProgressMax(int32_t count) override;
    void SetProgressPosition(int32_t count) override;
    bool IsPassiveChecked() override { return passive_; }
    void SetPassiveChecked(bool checked) override;
    bool IsShareListChecked() override { return shareList_; }
    void SetShareListChecked(bool checked) override;
    void SetShareListCheckEnabled(bool enabled) override;
    bool IsTraceChecked() override { return trace_; }
    void SetTraceChecked(bool checked);
    void AppendTraceLine(const std::string& text) override;
    // The host prints trace lines and keeps none.
    void RemoveFirstTraceLine() override {}
    void ShowTracePanel(bool visible) override;
    void ShowSharePanel(bool visible, const controller::TSharePanelLayout& layout) override;
    void LayOutShareList(int heightMargin, int buttonsBarHeight) override;
    std::vector<std::string> ShareLines() override { return shareLines_; }
    void AddShareLine(const std::string& line) override;
    bool RemoveSelectedShareLine() override;

private:
    void Print(const std::string& line);
    std::string Q(const std::string& text) const { return output_.Quote(text); }
    // Prints the chooser's line with the next queued path answer and hands that answer out.
    std::optional<std::string> AnswerChooser(const std::string& line);
    // Whether the running transfer's progress line for the position should be printed.
    bool ProgressStepDue(int32_t position);

    THostOutput& output_;
    std::vector<controller::TRemoteRow> rows_;
    int selectedRow_ = -1;
    std::vector<std::string> shareLines_;
    int selectedShareLine_ = -1;
    std::string currentDir_ = "/";
    std::string connectCaption_;
    bool passive_ = true;
    bool shareList_ = false;
    bool trace_ = false;
    int32_t progressMax_ = 0;
    int lastPrintedTenth_ = -1;
    int64_t lastPrintedPosition_ = 0;
    bool transferRunning_ = false;
    bool held_ = false;
    std::string heldStatus_;
    std::string printedStatus_;
};

} // namespace tavo::host
