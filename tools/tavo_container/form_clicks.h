#pragma once
// A user's clicks in the control's form for scripted runs: the form's widgets are found in
// the control's window by the identifiers the form gives them, and clicked or selected as a
// user's input would arrive. A file chooser the click opens is answered as a user types a
// path into it.

#include <windows.h>

#include <chrono>
#include <string>

namespace tavo::container {

// Carries out one click ("select:NAME", "open:NAME" (a double-click on the row), "share",
// "unshare", "send-share", "connect", "upload", "sharelist:on"). Returns false while the
// click cannot be made yet (the row is not listed); throws for a click the form has no
// widget for. A click that runs a command returns when the command has ended.
bool ClickInForm(HWND form, const std::string& click);

// The next file chooser that opens on this thread is answered with `path` and OK, from a
// timer that the chooser's own message loop runs. False once that answer has been given.
void AnswerNextChooser(const std::wstring& path);
bool ChooserAnswerPending();
// When the last answer was given (the epoch before any).
std::chrono::steady_clock::time_point LastChooserAnswer();

} // namespace tavo::container
