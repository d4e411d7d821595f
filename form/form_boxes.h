#pragma once
// The form's modal boxes: the message box, the one-line input box and the general error
// report. Each is built anew for its call and runs its own message loop with the owner
// disabled, so it may open from inside a waiting engine command.

#include "controller/view.h"

#include <windows.h>

#include <string>

namespace tavo::form {

// Window class of the boxes, for hosts and tests that look for an open box.
inline constexpr wchar_t BoxClassName[] = L"TavoBox";

controller::TModalResult RunMessageBox(HINSTANCE instance, HWND owner, const std::wstring& text,
                                       controller::TMessageKind kind,
                                       controller::TMessageButtons buttons);
// True with the edited text in value on OK; false, value untouched, on Cancel or close.
bool RunInputBox(HINSTANCE instance, HWND owner, const std::wstring& caption,
                 const std::wstring& prompt, std::wstring& value);
void RunErrorReport(HWND owner, const std::wstring& message);

} // namespace tavo::form
