// The remote list: filling the rows, moving through directories, and the outcome check that
// turns the server's last reply into what the user is told after a failure.

#include "controller/file_type.h"
#include "controller/tavo_internal.h"
#include "controller/text_rules.h"

#include "engine/listing/date_time.h"

namespace tavo::controller {

void TTavo::ViewList() {
    TEngineUse use(*this);
    try {
        engine::TIdFTP& ftp = Ftp();
        ftp.ChangeDirectory(view_.GetCurrentDirText());
        ftp.FetchListing(nullptr, "", true);
    } catch (const std::exception&) {
        // The user stopped the connect from inside this wait: no failure to report.
        if (connectStopped_)
            return;
        Inform(catalogue_.MsgListNetworkError);
    }
    try {
        FillRemoteRows(1);
    } catch (const std::exception&) {
        Inform(catalogue_.MsgListShowFailed);
    }
}

void TTavo::RefreshRemoteList() {
    TEngineUse use(*this);
    // The idle status follows in every case, also when filling the rows fails.
    struct TIdleStatusAtEnd {
        TTavo& owner;
        ~TIdleStatusAtEnd() { owner.ShowIdleStatus(); }
    } idleStatus{*this};
    try {
        Ftp().FetchListing(nullptr, "", true);
    } catch (const std::exception&) {
        // Not shown: the server's refusal is in the trace already, and the rows come back
        // from the last listing that completed.
    }
    FillRemoteRows(0);
}

void TTavo::FillRemoteRows(int linkIcon) {
    const TCatalogue& c = catalogue_;
    view_.ClearRemoteRows();
    view_.AddRemoteRow({c.RowParent, {".."}, DirectoryIcon, true});
    for (const engine::TIdFTPListItem& item : Ftp().ListingItems()) {
        const std::string name(item.EntryName());
        TRemoteRow row;
        switch (item.EntryKind) {
        case engine::ekDirectory:
            row.TypeText = c.RowDirectory;
            row.IconIndex = DirectoryIcon;
            break;
        case engine::ekSymbolicLink:
            row.TypeText = c.RowLink;
            row.IconIndex = linkIcon;
            break;
        default:
            row.TypeText = c.RowFile;
            row.IconIndex = GetFileType(name);
            break;
        }
        row.Cells = {name, SizeText(item.ByteSize), DateText(item.ModifiedAt)};
        view_.AddRemoteRow(row);
    }
}

std::string TTavo::SizeText(int64_t bytes) const {
    return std::to_string(bytes) + catalogue_.TextSizeUnit;
}

std::string TTavo::DateText(engine::TDateTime value) const {
    const engine::TLocalDateTime date = engine::DecodeDateTime(value);
    return system_->FormatShortDate(date.Year, date.Month, date.Day);
}

void TTavo::CheckOperationOutcome(const std::optional<std::string>& failure) {
    const TCatalogue& c = catalogue_;
    // A copy: the PWD below brings a new reply.
    const std::string reply = Module().LastServerText;
    if (FoundAfterStart(reply, "Quota exceeded")) {
        Inform(c.MsgQuotaExceeded);
        return;
    }
    if (FoundAfterStart(reply, "Error:")) {
        Inform(FoundAfterStart(reply, "Directory not empty") ? c.MsgDirNotEmpty
                                                             : c.MsgNetworkError);
        TEngineUse use(*this);
        Ftp().QueryCurrentDirectory();
        RefreshRemoteList();
        ShowIdleStatus();
        return;
    }
    // Most servers word their refusals otherwise: the error's own text (for a refused
    // command, the server's reply) is what the user needs to hear.
    if (failure && !MessageText(*failure).empty())
        Inform(ShownServerText(MessageText(*failure)));
}

void TTavo::ListViewRemoteDblClick() {
    RunCommand(tbDownload, true, [this] {
        std::optional<TSelectedRow> row = view_.SelectedRemoteRow();
        if (!row)
            return;
        if (row->IconIndex == DirectoryIcon) {
            try {
                engine::TIdFTP& ftp = Ftp();
                ShowIdleStatus();
                ftp.ChangeDirectory(row->Name);
                view_.SetCurrentDirText(ftp.QueryCurrentDirectory());
                view_.ClearRemoteRows();
                ViewList();
                ShowIdleStatus();
            } catch (const std::exception& error) {
                CheckOperationOutcome(std::string(error.what()));
            }
        }
        // After a change of directory the new rows have no selection, so nothing follows.
        row = view_.SelectedRemoteRow();
        if (row && row->IconIndex != DirectoryIcon)
            DownloadFile(row->Name);
    });
}

void TTavo::BackButtonClick() {
    RunCommand(tbUp, true, [this] {
        try {
            engine::TIdFTP& ftp = Ftp();
            ShowIdleStatus();
            ftp.ChangeDirectory("..");
            view_.SetCurrentDirText(ftp.QueryCurrentDirectory());
            view_.ClearRemoteRows();
            ShowIdleStatus();
        } catch (const std::exception& error) {
            CheckOperationOutcome(std::string(error.what()));
        }
        ViewList();
    });
}

} // namespace tavo::controller
