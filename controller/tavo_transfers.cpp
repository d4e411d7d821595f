// Downloads and uploads, and the progress and status events that drive the progress bar and
// the speed line.

#include "controller/tavo_internal.h"
#include "controller/text_rules.h"

#include "engine/platform/files.h"

namespace tavo::controller {

using engine::TIdComponent;

void TTavo::DownloadFile(const std::string& remoteName) {
    const TCatalogue& c = catalogue_;
    TEngineUse use(*this);
    engine::TIdFTP& ftp = Ftp();
    std::optional<std::string> path = view_.ChooseSaveFile(
        GetSpecialFolderDir(CSIDL_DESKTOPDIRECTORY),
        SafeSaveName(remoteName, [this](unsigned char byte) { return system_->IsLeadByte(byte); }));
    if (!path)
        return;
    ShowIdleStatus();
    ftp.Passive = view_.IsPassiveChecked();
    ftp.SetTransferType(engine::ftBinary);
    // The engine checks the download against the server's size: a server that ignores REST
    // or a data connection cut short must not pass for a whole file.
    const int64_t remoteSize = ftp.RemoteFileSize(remoteName);
    expectedSize_ = remoteSize;
    try {
        if (!platform::FileExists(*path)) {
            ftp.DownloadToFile(remoteName, *path, false, false, remoteSize);
            ShowIdleStatus();
            return;
        }
        switch (Ask(c.MsgConfirmResume, mbYesNoCancel)) {
        case mrCancel:
            ShowIdleStatus();
            return;
        case mrYes: // resume: only the missing part travels
            expectedSize_ -= engine::TIdFTP::LocalFileSize(*path);
            ftp.DownloadToFile(remoteName, *path, false, true, remoteSize);
            ShowIdleStatus();
            break;
        case mrNo: // download again over the local file
            ftp.DownloadToFile(remoteName, *path, true, false, remoteSize);
            ShowIdleStatus();
            break;
        default:
            break;
        }
    } catch (const std::exception& error) {
        CheckOperationOutcome(std::string(error.what()));
    }
}

void TTavo::UploadButtonClick() {
    RunCommand(tbUpload, true, [this] {
        std::optional<std::string> path =
            view_.ChooseUploadFile(GetSpecialFolderDir(CSIDL_DESKTOPDIRECTORY));
        if (!path)
            return;
        engine::TIdFTP& ftp = Ftp();
        ftp.Passive = view_.IsPassiveChecked();
        try {
            ftp.SetTransferType(engine::ftBinary);
            ftp.UploadFromFile(*path, UploadNameOf(*path), false);
            ftp.QueryCurrentDirectory();
            RefreshRemoteList();
        } catch (const std::exception& error) {
            CheckOperationOutcome(std::string(error.what()));
        }
    });
}

std::string TTavo::GetSpecialFolderDir(int csidl) {
    return system_->SpecialFolderPath(csidl);
}

void TTavo::IdFTP1WorkBegin(TIdComponent& /*sender*/, engine::TWorkMode /*mode*/,
                            int64_t countMax) {
    transferInProgress_ = true;
    transferStartTime_ = clock_();
    progressMax_ = countMax > 0 ? countMax : expectedSize_;
    view_.SetProgressMax(progressScale_.SetMaximum(progressMax_));
    Module().TransferRate = 0.0;
    // Once per transfer, not once per block.
    speedFormat_.Prepare(catalogue_.FmtSpeed, system_->DecimalSeparator());
    remainingFormat_.Prepare(catalogue_.FmtRemaining);
}

void TTavo::IdFTP1Work(TIdComponent& /*sender*/, engine::TWorkMode mode, int64_t count) {
    static const std::string empty;
    const TCatalogue& c = catalogue_;
    view_.SetStatusText(empty);
    const double seconds = std::chrono::duration<double>(clock_() - transferStartTime_).count();
    double& rate = Module().TransferRate;
    if (seconds > 0)
        rate = static_cast<double>(count) / 1024.0 / seconds;
    std::string& line = progressLine_;
    line = mode == engine::wmRead ? c.TextDownloadSpeed : c.TextUploadSpeed;
    speedFormat_.AppendTo(line, rate);
    line += c.TextSpeedSeparator;
    // Only a known total still ahead gives a remaining time (listings and unknown sizes
    // have none).
    if (rate > 0 && progressMax_ > 0 && progressMax_ >= count) {
        const double left = static_cast<double>(progressMax_ - count) / 1024.0 / rate;
        line += c.TextRemainingTime;
        remainingFormat_.AppendTo(line, static_cast<int64_t>(std::min(left, 1e12)));
    }
    view_.SetStatusText(line);
    view_.SetProgressPosition(progressScale_.Position(count));
}

void TTavo::IdFTP1WorkEnd(TIdComponent& /*sender*/, engine::TWorkMode /*mode*/) {
    expectedSize_ = 0;
    transferInProgress_ = false;
    view_.SetProgressPosition(0);
    Module().TransferRate = 0.0;
    view_.SetStatusText(catalogue_.StatusTransferDone);
}

void TTavo::IdFTP1Status(TIdComponent& /*sender*/, engine::TIdStatus /*status*/,
                         const std::string& text) {
    TraceLine(text);
    view_.SetStatusText(FoundAfterStart(text, "Transfer") ? catalogue_.StatusTransferDone : text);
}

} // namespace tavo::controller
