#pragma once
// Rules for the texts the commands handle: names the user types, names the server gives,
// the server's replies.

#include <functional>
#include <string>
#include <string_view>

namespace tavo::controller {

// Characters a new directory name may not hold (28, the space among them).
inline constexpr std::string_view DirectoryNameForbidden = "`!@#$%^&*()+=|\\}{[]\":;<>,/? ";
// Characters a rename target may not hold: the same without "/", so a path moves the entry.
inline constexpr std::string_view RenameForbidden = "`!@#$%^&*()+=|\\}{[]\":;<>,? ";

using TLeadByteTest = std::function<bool(unsigned char)>;

// Whether the name holds a character of the set. The name is read as characters of the ANSI
// code page: the trailing byte of a double-byte character is never taken for a forbidden
// one (in code page 936 it may equal "@", "[", "\", "]", "^", "`", "{", "|" or "}"). A NUL
// byte never counts.
bool HoldsForbiddenCharacter(const std::string& name, std::string_view forbidden,
                             const TLeadByteTest& isLeadByte);

// Replaces every occurrence of oldText, scanning from the left and going on after each
// replacement, so occurrences never overlap. An empty oldText changes nothing.
void StrReplace(std::string& text, const std::string& oldText, const std::string& newText);

// Whether what occurs in text with its first occurrence at the second character or later: a
// text at the very start does not count (how the outcome check and the status handler read
// replies and status texts).
bool FoundAfterStart(const std::string& text, std::string_view what);

// The remote name of an upload: the local file's name after its last folder separator ("\",
// "/" or the drive colon), without spaces.
std::string UploadNameOf(const std::string& localPath);

// A server-given name made safe to suggest in a save chooser: path separators, characters a
// Windows file name may not hold, control characters, and dots and spaces at its end become
// "_"; a device name gets a "_" in front. A double-byte character of the ANSI code page stays
// whole. Only the suggestion changes; the download still asks the server for the name it gave.
std::string SafeSaveName(const std::string& remoteName, const TLeadByteTest& isLeadByte);

// Whether Windows takes the name for a device (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9), in
// any case and with any extension, also with spaces before the extension.
bool IsWindowsDeviceName(const std::string& name);

// Lines of a server's text that a message box shows; an ellipsis line stands for the rest. A
// server controls the length of its replies, and a box of a million lines helps nobody.
inline constexpr size_t MaxMessageLines = 20;
inline constexpr std::string_view MessageEllipsis = "...";

// An error message as a box shows it: without the line ends a reply text carries at its end,
// and at most its first MaxMessageLines lines (each ends at an LF), then MessageEllipsis.
std::string MessageText(const std::string& message);

// The text of the form's general error report: MessageText with a full stop appended when the
// last character sorts after "." ("done." and "Stop!" stay as they are, "Why?" gets one).
// Compared by its byte, which for a double-byte character of any ANSI code page sorts after
// "." as well.
std::string ErrorReportText(const std::string& message);

} // namespace tavo::controller
