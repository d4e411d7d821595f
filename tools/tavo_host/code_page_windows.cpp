// Code page conversion through the system's own tables.

#include "tools/tavo_host/host_output.h"

#include <windows.h>

#include <stdexcept>

namespace tavo::host {
namespace {

std::wstring ToWide(const std::string& text, UINT codePage, DWORD flags) {
    if (text.empty())
        return {};
    int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                nullptr, 0);
    if (n <= 0)
        throw std::runtime_error("text does not convert from code page " +
                                 std::to_string(codePage));
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(),
                        n);
    return wide;
}

std::string FromWide(const std::wstring& wide, UINT codePage, BOOL* defaultUsed) {
    if (wide.empty())
        return {};
    int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, defaultUsed);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                        nullptr, defaultUsed);
    return text;
}

} // namespace

std::string CodePageToUtf8(const std::string& text, int codePage) {
    return FromWide(ToWide(text, static_cast<UINT>(codePage), 0), CP_UTF8, nullptr);
}

std::string Utf8ToCodePage(const std::string& text, int codePage) {
    BOOL defaultUsed = FALSE;
    std::string result = FromWide(ToWide(text, CP_UTF8, MB_ERR_INVALID_CHARS),
                                  static_cast<UINT>(codePage), &defaultUsed);
    if (defaultUsed)
        throw std::runtime_error("text not representable in code page " + std::to_string(codePage) +
                                 ": " + text);
    return result;
}

} // namespace tavo::host
