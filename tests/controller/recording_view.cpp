#include "tests/controller/recording_view.h"

#include <gtest/gtest.h>

namespace tavo::testing {

using namespace controller;

namespace {
std::string Flag(bool value) {
    return value ? "1" : "0";
}
} // namespace

std::vector<std::string> RecordingView::Entries(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& entry : Log)
        if (entry.compare(0, prefix.size(), prefix) == 0)
            found.push_back(entry.substr(prefix.size()));
    return found;
}

bool RecordingView::Select(const std::string& name) {
    SelectedRow = -1;
    for (size_t i = 0; i < Rows.size(); ++i)
        if (Rows[i].Cells.at(0) == name)
            SelectedRow = static_cast<int>(i);
    return SelectedRow >= 0;
}

std::vector<std::string> RecordingView::RowNames() const {
    std::vector<std::string> names;
    for (const TRemoteRow& row : Rows)
        names.push_back(row.Cells.at(0));
    return names;
}

void RecordingView::SetStatusText(const std::string& text) {
    Log.push_back("status:" + text);
}

TModalResult RecordingView::ShowMessageBox(const std::string& text, TMessageKind kind,
                                           TMessageButtons buttons) {
    if (kind == mkInformation) {
        EXPECT_EQ(buttons, mbOK) << text;
        Log.push_back("box:" + text);
        return mrOk;
    }
    Log.push_back("confirm:" + text);
    if (Answers.empty()) {
        ADD_FAILURE() << "unexpected confirmation: " << text;
        return mrCancel;
    }
    TModalResult answer = Answers.front();
    Answers.pop_front();
    return answer;
}

bool RecordingView::AskText(const std::string& caption, const std::string& prompt,
                            std::string& value) {
    Log.push_back("ask:" + caption + "|" + prompt + "|" + value);
    if (Inputs.empty()) {
        ADD_FAILURE() << "unexpected input box: " << prompt;
        return false;
    }
    std::optional<std::string> input = Inputs.front();
    Inputs.pop_front();
    if (input)
        value = *input;
    return input.has_value();
}

std::optional<std::string> RecordingView::ChooseUploadFile(const std::string& initialFolder) {
    Log.push_back("open:" + initialFolder);
    if (Choices.empty()) {
        ADD_FAILURE() << "unexpected open chooser";
        return std::nullopt;
    }
    std::optional<std::string> choice = Choices.front();
    Choices.pop_front();
    return choice;
}

std::optional<std::string> RecordingView::ChooseSaveFile(const std::string& initialFolder,
                                                         const std::string& suggestedName) {
    Log.push_back("save:" + initialFolder + "|" + suggestedName);
    if (Choices.empty()) {
        ADD_FAILURE() << "unexpected save chooser for " << suggestedName;
        return std::nullopt;
    }
    std::optional<std::string> choice = Choices.front();
    Choices.pop_front();
    return choice;
}

void RecordingView::ReportError(const std::string& message) {
    Log.push_back("error:" + message);
}

void RecordingView::ClearRemoteRows() {
    Rows.clear();
    SelectedRow = -1;
    Log.push_back("clear");
}

void RecordingView::AddRemoteRow(const TRemoteRow& row) {
    Rows.push_back(row);
    std::string cells;
    for (const std::string& cell : row.Cells)
        cells += (cells.empty() ? "" : ",") + cell;
    Log.push_back("row:" + row.TypeText + "|" + cells + "|" + std::to_string(row.IconIndex) +
                  (row.Focused ? "|focused" : ""));
}

std::optional<TSelectedRow> RecordingView::SelectedRemoteRow() {
    if (SelectedRow < 0 || SelectedRow >= static_cast<int>(Rows.size()))
        return std::nullopt;
    return TSelectedRow{Rows[SelectedRow].Cells.at(0), Rows[SelectedRow].IconIndex};
}

std::string RecordingView::SelectedRemoteSize() {
    if (SelectedRow < 0 || SelectedRow >= static_cast<int>(Rows.size()) ||
        Rows[SelectedRow].Cells.size() < 2)
        return {};
    return Rows[SelectedRow].Cells[1];
}

void RecordingView::SetCurrentDirText(const std::string& text) {
    CurrentDir = text;
    Log.push_back("dir:" + text);
}

void RecordingView::SetConnectButton(const std::string& caption, const std::string& hint) {
    ConnectCaption = caption;
    Log.push_back("connect:" + caption + "|" + hint);
}

void RecordingView::SetConnectButtonEnabled(bool enabled) {
    Log.push_back("connect-enabled:" + Flag(enabled));
}

void RecordingView::RearmButton(TToolButton button) {
    Log.push_back("rearm:" + std::to_string(button));
}

void RecordingView::ShowShareCommands(bool visible) {
    Log.push_back("share-commands:" + Flag(visible));
}

void RecordingView::PlaceProgressBar() {
    Log.push_back("place-progress");
}

void RecordingView::SetProgressMax(int32_t count) {
    Log.push_back("max:" + std::to_string(count));
}

void RecordingView::SetProgressPosition(int32_t count) {
    Log.push_back("pos:" + std::to_string(count));
}

void RecordingView::SetPassiveChecked(bool checked) {
    Passive = checked;
    Log.push_back("passive:" + Flag(checked));
}

void RecordingView::SetShareListChecked(bool checked) {
    ShareChecked = checked;
    Log.push_back("share-checked:" + Flag(checked));
}

void RecordingView::SetShareListCheckEnabled(bool enabled) {
    Log.push_back("share-check-enabled:" + Flag(enabled));
}

void RecordingView::AppendTraceLine(const std::string& text) {
    Log.push_back("trace:" + text);
}

void RecordingView::RemoveFirstTraceLine() {
    Log.push_back("trace-removed");
}

void RecordingView::ShowTracePanel(bool visible) {
    Log.push_back("trace-panel:" + Flag(visible));
}

void RecordingView::ShowSharePanel(bool visible, const TSharePanelLayout& layout) {
    Log.push_back("share-panel:" + Flag(visible) + "|" + std::to_string(layout.SplitterLeft) + "," +
                  std::to_string(layout.RemotePanelMargin) + "," +
                  std::to_string(layout.SharePanelWidth) + "," +
                  std::to_string(layout.ShareListHeightMargin) + "," +
                  std::to_string(layout.ButtonsBarHeight));
}

void RecordingView::LayOutShareList(int heightMargin, int buttonsBarHeight) {
    Log.push_back("share-list-layout:" + std::to_string(heightMargin) + "," +
                  std::to_string(buttonsBarHeight));
}

void RecordingView::AddShareLine(const std::string& line) {
    Share.push_back(line);
}

bool RecordingView::RemoveSelectedShareLine() {
    if (SelectedShareLine < 0 || SelectedShareLine >= static_cast<int>(Share.size()))
        return false;
    Share.erase(Share.begin() + SelectedShareLine);
    SelectedShareLine = -1;
    return true;
}

} // namespace tavo::testing
