// Delete file, create directory, delete directory, rename or move.

#include "controller/tavo_internal.h"
#include "controller/text_rules.h"

namespace tavo::controller {

void TTavo::DeleteButtonClick() {
    RunCommand(tbDeleteFile, true, [this] {
        const TCatalogue& c = catalogue_;
        std::optional<std::string> failure;
        try {
            if (Ask(c.MsgConfirmDeleteFile, mbYesNo) != mrYes)
                return;
            std::optional<TSelectedRow> row = view_.SelectedRemoteRow();
            if (!row || row->IconIndex == DirectoryIcon) {
                Inform(c.MsgSelectFileToDelete);
                return;
            }
            try {
                Ftp().DeleteRemoteFile(row->Name);
                view_.ClearRemoteRows();
            } catch (const std::exception& error) {
                failure = error.what();
            }
            ViewList();
        } catch (const std::exception& error) {
            failure = error.what();
        }
        if (failure)
            CheckOperationOutcome(failure);
    });
}

void TTavo::CreateDirButtonClick() {
    RunCommand(tbCreateDir, true, [this] {
        const TCatalogue& c = catalogue_;
        std::string name;
        view_.AskText(c.AskDirCaption, c.AskDirPrompt, name);
        if (HoldsForbiddenCharacter(name, DirectoryNameForbidden, [this](unsigned char byte) {
                return system_->IsLeadByte(byte);
            })) {
            Inform(c.MsgBadDirName);
            return;
        }
        if (name.empty())
            return;
        ShowIdleStatus();
        std::exception_ptr failure;
        try {
            Ftp().CreateDirectory(name);
            RefreshRemoteList();
        } catch (...) {
            failure = std::current_exception();
        }
        // The refusal itself goes to the general error report after the exit step, so the
        // check gets no failure text of its own to show.
        CheckOperationOutcome();
        if (failure)
            std::rethrow_exception(failure);
    });
}

void TTavo::DelDir() {
    RunCommand(tbDeleteDir, true, [this] {
        const TCatalogue& c = catalogue_;
        try {
            if (Ask(c.MsgConfirmDeleteDir, mbYesNo) != mrYes)
                return;
            std::optional<TSelectedRow> row = view_.SelectedRemoteRow();
            if (!row || row->IconIndex != DirectoryIcon) {
                Inform(c.MsgSelectEmptyDir);
                return;
            }
            engine::TIdFTP& ftp = Ftp();
            ftp.DeleteDirectory(row->Name);
            view_.ClearRemoteRows();
            ViewList();
            view_.SetCurrentDirText(ftp.QueryCurrentDirectory());
        } catch (const std::exception& error) {
            CheckOperationOutcome(std::string(error.what()));
        }
    });
}

void TTavo::N3Click() {
    RunCommand(tbRename, true, [this] {
        const TCatalogue& c = catalogue_;
        try {
            std::optional<TSelectedRow> row = view_.SelectedRemoteRow();
            if (!row)
                return;
            std::string newName;
            view_.AskText(c.AskRenameCaption, c.AskRenamePrompt, newName);
            if (newName.empty())
                return;
            if (HoldsForbiddenCharacter(newName, RenameForbidden, [this](unsigned char byte) {
                    return system_->IsLeadByte(byte);
                })) {
                Inform(c.MsgBadNewName);
                return;
            }
            Ftp().RenameEntry(row->Name, newName);
            view_.ClearRemoteRows();
            ViewList();
        } catch (const std::exception&) {
            // The server's refusal is in the trace; the fixed message names the usual causes.
            Inform(c.MsgRenameFailed);
        }
    });
}

} // namespace tavo::controller
