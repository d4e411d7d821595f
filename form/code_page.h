#pragma once
// Text between 8-bit code pages and UTF-16, through the system's own tables. The control's
// texts are 8-bit in the process code page; windows, automation and the console take UTF-16.

#include <windows.h>

#include <string>
#include <string_view>

namespace tavo {

// flags as MultiByteToWideChar takes them (MB_ERR_INVALID_CHARS to refuse bad bytes); empty
// for empty input and for input that does not convert under such flags.
std::wstring Wide(std::string_view bytes, UINT codePage, DWORD flags = 0);
// defaultUsed, when given, tells whether a character had no equivalent in the code page (not
// available for CP_UTF8, whose every character has one).
std::string Narrow(std::wstring_view text, UINT codePage, BOOL* defaultUsed = nullptr);

} // namespace tavo
