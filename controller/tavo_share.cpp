// The share list and its page protocol: the user collects remote files, the send command
// raises GoToFlag, and the page reads the entries through ShareList.

#include "controller/tavo_internal.h"

#include <algorithm>

namespace tavo::controller {

TSharePanelLayout TTavo::SharePanelLayout(int shareListHeightMargin) const {
    TSharePanelLayout layout;
    layout.SplitterLeft = 500;
    layout.RemotePanelMargin = catalogue_.SharePanelWidth;
    layout.SharePanelWidth = catalogue_.SharePanelWidth;
    layout.ShareListHeightMargin = shareListHeightMargin;
    layout.ButtonsBarHeight = 28;
    return layout;
}

void TTavo::AddShareFile() {
    RunCommand(tbShare, true, [this] {
        const TCatalogue& c = catalogue_;
        bool taken = false;
        try {
            std::optional<TSelectedRow> row = view_.SelectedRemoteRow();
            if (row && row->IconIndex != DirectoryIcon) {
                std::string directory = view_.GetCurrentDirText();
                if (directory == "/")
                    directory.clear();
                const std::string entry = c.ShareEntryName + directory + "/" + row->Name +
                                          c.ShareEntrySize + view_.SelectedRemoteSize();
                const std::vector<std::string> lines = view_.ShareLines();
                if (std::find(lines.begin(), lines.end(), entry) != lines.end())
                    Inform(entry + "\r" + c.MsgAlreadyShared);
                else
                    view_.AddShareLine(entry);
                taken = true;
            }
        } catch (const std::exception&) {
            taken = false;
        }
        if (!taken) {
            Inform(c.MsgSelectFileToShare);
            return;
        }
        view_.SetShareListChecked(true);
        CheckShareListClick();
        view_.ShowSharePanel(true, SharePanelLayout(49));
    });
}

void TTavo::DelShareFile() {
    RunCommand(tbRemoveShare, false, [this] {
        if (!view_.RemoveSelectedShareLine())
            Inform(catalogue_.MsgSelectShareLine);
    });
}

void TTavo::bsSkinSpeedButton9Click() {
    // No test of the list first: an empty list and a list sent before go out as well.
    RunCommand(tbSendShare, false, [] { Module().GoToFlag = 1; });
}

void TTavo::CheckShareListClick() {
    view_.ShowSharePanel(view_.IsShareListChecked(), SharePanelLayout(49));
}

int32_t TTavo::Get_GoToFlag() const {
    return Module().GoToFlag;
}

void TTavo::Set_GoToFlag(int32_t value) {
    Module().GoToFlag = value;
}

std::string TTavo::Get_ShareList() {
    std::string& text = Module().ShareListText;
    text.clear();
    for (const std::string& line : view_.ShareLines()) {
        if (line.empty())
            continue;
        text += '|';
        text += line;
    }
    return text;
}

void TTavo::Set_ShareList(const std::string& value) {
    Module().ShareListText = value;
}

void TTavo::Enable_ShareList(int32_t code) {
    switch (code) {
    case 1:
        view_.ShowShareCommands(true);
        break;
    case 2:
        view_.ShowShareCommands(false);
        break;
    case 3:
    case 4:
        view_.SetPassiveChecked(code == 4);
        PassiveClick();
        break;
    default:
        break;
    }
}

} // namespace tavo::controller
