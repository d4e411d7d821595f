#pragma once
// Every text the controller puts before the user or hands to the page, by key, for one
// edition, with the few numbers in which the editions' layouts differ. Texts are 8-bit: code
// page 936 bytes in the Chinese edition, ASCII in the English one (but for the full-width
// colon of the remaining-time label).
//
// A built program holds one edition: tavo_controller links the catalogue library that
// TAVO_EDITION names, and EditionCatalogue() returns it. Tests link both libraries and pass
// the catalogue they want to TTavo.

#include <string>

namespace tavo::controller {

struct TCatalogue {
    // Message boxes.
    std::string MsgTransferBusy;
    std::string MsgNotConnected;
    std::string MsgConnectBusy;
    std::string MsgConnectFailed;
    std::string MsgConfirmAbort;
    std::string MsgQuotaExceeded;
    std::string MsgDirNotEmpty;
    std::string MsgNetworkError;
    std::string MsgListNetworkError;
    std::string MsgListShowFailed;
    std::string MsgConfirmResume;
    std::string MsgConfirmDeleteFile;
    std::string MsgConfirmDeleteDir;
    std::string MsgSelectFileToDelete;
    std::string MsgSelectEmptyDir;
    std::string MsgBadDirName;
    std::string MsgBadNewName;
    std::string MsgRenameFailed;
    std::string MsgSelectFileToShare;
    std::string MsgAlreadyShared;
    std::string MsgSelectShareLine;
    // Status texts.
    std::string StatusReady;
    std::string StatusTransferDone;
    std::string StatusDone;
    // Pieces of the progress line.
    std::string TextDownloadSpeed;
    std::string TextUploadSpeed;
    std::string FmtSpeed;
    std::string TextSpeedSeparator;
    std::string TextRemainingTime;
    std::string FmtRemaining;
    // Input boxes.
    std::string AskDirCaption;
    std::string AskDirPrompt;
    std::string AskRenameCaption;
    std::string AskRenamePrompt;
    // Connect button.
    std::string CaptionConnect;
    std::string CaptionDisconnect;
    std::string HintConnect;
    std::string HintDisconnect;
    // Rows of the remote list.
    std::string RowParent;
    std::string RowDirectory;
    std::string RowFile;
    std::string RowLink;
    std::string TextSizeUnit;
    // Share entries and trace lines.
    std::string ShareEntryName;
    std::string ShareEntrySize;
    std::string TracePrefixSent;
    std::string TracePrefixReceived;
    // The box that asks about a server certificate that could not be verified: one line for
    // each of its parts (validity is CertValidity, the start, CertValidityTo, the end), a line
    // for each problem, then the question, which a Yes or No answers.
    std::string CertTitle;
    std::string CertSubject;
    std::string CertIssuer;
    std::string CertValidity;
    std::string CertValidityTo;
    std::string CertFingerprint;
    std::string CertUntrusted;
    std::string CertNameMismatch;
    std::string CertQuestion;

    // Width of the share panel when shown; the remote-file panel gets the directory bar's
    // width less the same amount.
    int SharePanelWidth = 0;
    // The code page the control's 8-bit texts (its own, the server's names, what the user
    // types) are converted with: a fixed one, or ThreadAnsiCodePage. Where the system has no
    // ANSI code page of its own (POSIX), it stands for it in the double-byte rule of typed
    // names.
    int CodePage = 0;
};

// The calling thread's ANSI code page, whatever the system's language; the value is the one
// Windows gives it (CP_THREAD_ACP), so the form and the control hand it on unchanged.
inline constexpr int ThreadAnsiCodePage = 3;

const TCatalogue& ChineseCatalogue();
const TCatalogue& EnglishCatalogue();
// The catalogue of the edition this program was built as.
const TCatalogue& EditionCatalogue();

} // namespace tavo::controller
