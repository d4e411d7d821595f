#pragma once
// Names between UTF-8 (a server that agreed to it, RFC 2640) and an 8-bit code page (the
// caller's side), through the system's own tables: MultiByteToWideChar and WideCharToMultiByte
// on Windows, iconv elsewhere.

#include <optional>
#include <string>
#include <string_view>

namespace tavo::platform {

// Code pages are Windows numbers. 0 (CP_ACP) and 3 (CP_THREAD_ACP) are the system's ANSI
// code page; where the system has none (POSIX) they stand for 1252, Windows' default.
//
// Each character the code page lacks becomes '?'. Empty when the bytes are not UTF-8.
std::optional<std::string> Utf8ToCodePage(std::string_view utf8, int codePage);
// Empty when the bytes are not text in the code page.
std::optional<std::string> CodePageToUtf8(std::string_view bytes, int codePage);

} // namespace tavo::platform
