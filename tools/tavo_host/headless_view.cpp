#include "tools/tavo_host/headless_view.h"

namespace tavo::host {

using namespace controller;

namespace {

const char* ButtonsText(TMessageButtons buttons) {
    switch (buttons) {
    case mbOK:
        return "OK";
    case mbYesNo:
        return "YesNo";
    default:
        return "YesNoCancel";
    }
}

const char* ResultText(TModalResult result) {
    switch (result) {
    case mrOk:
        return "OK";
    case mrYes:
        return "Yes";
    case mrNo:
        return "No";
    default:
        return "Cancel";
    }
}

const char* ButtonName(TToolButton button) {
    static const char* names[] = {"upload", "download", "delete", "rename",  "share",
                                  "up",     "mkdir",    "rmdir",  "unshare", "sendshare"};
    return names[button];
}

const char* OnOff(bool value) {
    return value ? "on" : "off";
}

const char* const NoAnswer = " (no answer queued: closed)";

} // namespace

THeadlessView::THeadlessView(THostOutput& output, std::string initialConnectCaption)
    : output_(output), connectCaption_(std::move(initialConnectCaption)) {}

bool THeadlessView::SelectRow(const std::string& name) {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (!rows_[i].Cells.empty() && rows_[i].Cells[0] == name) {
            selectedRow_ = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool THeadlessView::SelectShareLine(int index) {
    if (index < -1 || index >= static_cast<int>(shareLines_.size()))
        return false;
    selectedShareLine_ = index;
    return true;
}

void THeadlessView::PrintRows() {
    Print("rows " + std::to_string(rows_.size()));
    for (size_t i = 0; i < rows_.size(); ++i) {
        const TRemoteRow& row = rows_[i];
        std::string line = "  row " + Q(row.TypeText);
        for (const std::string& cell : row.Cells)
            line += " " + Q(cell);
        line += " icon " + std::to_string(row.IconIndex);
        if (static_cast<int>(i) == selectedRow_)
            line += " selected";
        Print(line);
    }
}

bool THeadlessView::ProgressStepDue(int32_t position) {
    if (EveryProgressLine || position == 0)
        return true;
    if (progressMax_ > 0) {
        const int tenth = static_cast<int>(static_cast<int64_t>(position) * 10 / progressMax_);
        if (tenth == lastPrintedTenth_)
            return false;
        lastPrintedTenth_ = tenth;
        return true;
    }
    // No known total (a listing, a size the server did not give): no tenths to go by.
    if (lastPrintedPosition_ > 0 && position < 2 * lastPrintedPosition_)
        return false;
    lastPrintedPosition_ = position;
    return true;
}

void THeadlessView::Print(const std::string& line) {
    Flush();
    output_.Line(line);
}

void THeadlessView::Flush() {
    if (!held_)
        return;
    held_ = false;
    if (heldStatus_ == printedStatus_)
        return;
    printedStatus_ = heldStatus_;
    output_.Line("status " + Q(printedStatus_));
}

void THeadlessView::SetStatusText(const std::string& text) {
    // During a transfer the status line is rewritten (emptied, then the speed) before every
    // progress step; the last text before the step shares that step's fate.
    if (!(held_ && transferRunning_))
        Flush();
    held_ = true;
    heldStatus_ = text;
}

TModalResult THeadlessView::ShowMessageBox(const std::string& text, TMessageKind kind,
                                           TMessageButtons buttons) {
    std::string line = std::string("box ") +
                       (kind == mkInformation ? "information " : "confirmation ") +
                       ButtonsText(buttons) + " " + Q(text) + " -> ";
    if (BoxAnswers.empty()) {
        Print(line + "Cancel" + NoAnswer);
        return mrCancel;
    }
    TModalResult answer = BoxAnswers.front().Button;
    BoxAnswers.pop_front();
    Print(line + ResultText(answer));
    return answer;
}

bool THeadlessView::AskText(const std::string& caption, const std::string& prompt,
                            std::string& value) {
    std::string line = "input " + Q(caption) + " " + Q(prompt) + " " + Q(value) + " -> ";
    if (TextAnswers.empty()) {
        Print(line + "Cancel" + NoAnswer);
        return false;
    }
    TTextAnswer answer = TextAnswers.front();
    TextAnswers.pop_front();
    if (!answer.Value) {
        Print(line + "Cancel");
        return false;
    }
    value = *answer.Value;
    Print(line + Q(value));
    return true;
}

std::optional<std::string> THeadlessView::AnswerChooser(const std::string& line) {
    if (PathAnswers.empty()) {
        Print(line + "Cancel" + NoAnswer);
        return std::nullopt;
    }
    TPathAnswer answer = PathAnswers.front();
    PathAnswers.pop_front();
    Print(line + (answer.Path ? Q(*answer.Path) : std::string("Cancel")));
    return answer.Path;
}

std::optional<std::string> THeadlessView::ChooseUploadFile(const std::string& initialFolder) {
    return AnswerChooser("choose-open " + Q(initialFolder) + " -> ");
}

std::optional<std::string> THeadlessView::ChooseSaveFile(const std::string& initialFolder,
                                                         const std::string& suggestedName) {
    return AnswerChooser("choose-save " + Q(initialFolder) + " " + Q(suggestedName) + " -> ");
}

void THeadlessView::ReportError(const std::string& message) {
    Print("error " + Q(message));
}

void THeadlessView::ClearRemoteRows() {
    rows_.clear();
    selectedRow_ = -1;
    Print("rows cleared");
}

void THeadlessView::AddRemoteRow(const TRemoteRow& row) {
    rows_.push_back(row);
    std::string line = "row " + Q(row.TypeText);
    for (const std::string& cell : row.Cells)
        line += " " + Q(cell);
    Print(line + " icon " + std::to_string(row.IconIndex) + (row.Focused ? " focused" : ""));
}

std::optional<TSelectedRow> THeadlessView::SelectedRemoteRow() {
    if (selectedRow_ < 0 || selectedRow_ >= static_cast<int>(rows_.size()))
        return std::nullopt;
    const TRemoteRow& row = rows_[static_cast<size_t>(selectedRow_)];
    return TSelectedRow{row.Cells.empty() ? std::string() : row.Cells[0], row.IconIndex};
}

std::string THeadlessView::SelectedRemoteSize() {
    if (selectedRow_ < 0 || selectedRow_ >= static_cast<int>(rows_.size()))
        return {};
    const TRemoteRow& row = rows_[static_cast<size_t>(selectedRow_)];
    return row.Cells.size() > 1 ? row.Cells[1] : std::string();
}

void THeadlessView::SetCurrentDirText(const std::string& text) {
    currentDir_ = text;
    Print("directory " + Q(text));
}

void THeadlessView::SetConnectButton(const std::string& caption, const std::string& hint) {
    connectCaption_ = caption;
    Print("connect-button " + Q(caption) + " hint " + Q(hint));
}

void THeadlessView::SetConnectButtonEnabled(bool enabled) {
    Print(std::string("connect-button ") + (enabled ? "enabled" : "disabled"));
}

void THeadlessView::RearmButton(TToolButton button) {
    Print(std::string("rearm ") + ButtonName(button));
}

void THeadlessView::ShowShareCommands(bool visible) {
    Print(std::string("share-commands ") + (visible ? "shown" : "hidden"));
}

void THeadlessView::PlaceProgressBar() {
    Print("progress placed");
}

void THeadlessView::SetProgressMax(int32_t count) {
    progressMax_ = count;
    lastPrintedTenth_ = -1;
    lastPrintedPosition_ = 0;
    Print("progress max " + std::to_string(count));
    transferRunning_ = true;
}

void THeadlessView::SetProgressPosition(int32_t count) {
    transferRunning_ = count != 0; // the bar returns to 0 when the transfer ends
    if (!ProgressStepDue(count)) {
        held_ = false; // the step's status line goes with it
        return;
    }
    Print("progress " + std::to_string(count));
}

void THeadlessView::SetPassiveChecked(bool checked) {
    passive_ = checked;
    Print(std::string("check passive ") + OnOff(checked));
}

void THeadlessView::SetShareListChecked(bool checked) {
    shareList_ = checked;
    Print(std::string("check sharelist ") + OnOff(checked));
}

void THeadlessView::SetShareListCheckEnabled(bool enabled) {
    Print(std::string("check sharelist ") + (enabled ? "enabled" : "disabled"));
}

void THeadlessView::SetTraceChecked(bool checked) {
    trace_ = checked;
    Print(std::string("check trace ") + OnOff(checked));
}

void THeadlessView::AppendTraceLine(const std::string& text) {
    Print("trace " + Q(text));
}

void THeadlessView::ShowTracePanel(bool visible) {
    Print(std::string("trace-panel ") + (visible ? "shown" : "hidden"));
}

void THeadlessView::ShowSharePanel(bool visible, const TSharePanelLayout& layout) {
    if (!visible) {
        Print("share-panel hidden");
        return;
    }
    Print("share-panel shown splitter " + std::to_string(layout.SplitterLeft) + " width " +
          std::to_string(layout.SharePanelWidth) + " remote-margin " +
          std::to_string(layout.RemotePanelMargin) + " list-margin " +
          std::to_string(layout.ShareListHeightMargin) + " buttons " +
          std::to_string(layout.ButtonsBarHeight));
}

void THeadlessView::LayOutShareList(int heightMargin, int buttonsBarHeight) {
    Print("share-list layout margin " + std::to_string(heightMargin) + " buttons " +
          std::to_string(buttonsBarHeight));
}

void THeadlessView::AddShareLine(const std::string& line) {
    shareLines_.push_back(line);
    Print("share-line added " + Q(line));
}

bool THeadlessView::RemoveSelectedShareLine() {
    if (selectedShareLine_ < 0 || selectedShareLine_ >= static_cast<int>(shareLines_.size()))
        return false;
    Print("share-line removed " + Q(shareLines_[static_cast<size_t>(selectedShareLine_)]));
    shareLines_.erase(shareLines_.begin() + selectedShareLine_);
    selectedShareLine_ = -1;
    return true;
}

} // namespace tavo::host
