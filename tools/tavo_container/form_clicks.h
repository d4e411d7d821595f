#pragma once
// A user's clicks in the control's form for scripted runs: the form's widgets are found in
// the control's window by the identifiers the form gives them, and clicked or selected as a
// user's input would arrive.

#include <windows.h>

#include <string>

namespace tavo::page {

// Carries out one click ("select:NAME", "open:NAME" (a double-click on the row), "share",
// "unshare", "send-share", "connect", "sharelist:on"). Returns false while the click cannot be made
// yet (the row is not listed); throws for a click the form has no widget for.
bool ClickInForm(HWND form, const std::string& click);

} // namespace tavo::page
