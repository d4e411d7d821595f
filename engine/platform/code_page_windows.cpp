#include "engine/platform/code_page.h"

#include <windows.h>

namespace tavo::platform {
namespace {

std::optional<std::wstring> Wide(std::string_view bytes, UINT codePage) {
    if (bytes.empty())
        return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int length =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), length);
    return wide;
}

std::string NarrowWith(std::wstring_view wide, UINT codePage, const char* replacement,
                       BOOL* defaultUsed) {
    if (wide.empty())
        return {};
    // No best fit: a look-alike ('a' for an accented one) would name another file.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0,
                                           replacement, defaultUsed);
    if (length <= 0)
        return {};
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), length, replacement,
                        nullptr);
    return bytes;
}

std::string Narrow(std::wstring_view wide, UINT codePage) {
    if (codePage == CP_UTF8)
        return NarrowWith(wide, codePage, nullptr, nullptr);
    BOOL defaultUsed = FALSE;
    std::string bytes = NarrowWith(wide, codePage, "?", &defaultUsed);
    if (!defaultUsed)
        return bytes;
    // The system puts one '?' for each half of a surrogate pair (an emoji gives "??"): one
    // per character, as the list shows it, needs a character at a time.
    bytes.clear();
    for (size_t at = 0; at < wide.size();) {
        const size_t units =
            IS_HIGH_SURROGATE(wide[at]) && at + 1 < wide.size() && IS_LOW_SURROGATE(wide[at + 1])
                ? 2
                : 1;
        BOOL missing = FALSE;
        std::string character = NarrowWith(wide.substr(at, units), codePage, "?", &missing);
        bytes += missing ? std::string("?") : character;
        at += units;
    }
    return bytes;
}

} // namespace

std::optional<std::string> Utf8ToCodePage(std::string_view utf8, int codePage) {
    std::optional<std::wstring> wide = Wide(utf8, CP_UTF8);
    if (!wide)
        return std::nullopt;
    return Narrow(*wide, static_cast<UINT>(codePage));
}

std::optional<std::string> CodePageToUtf8(std::string_view bytes, int codePage) {
    std::optional<std::wstring> wide = Wide(bytes, static_cast<UINT>(codePage));
    if (!wide)
        return std::nullopt;
    return Narrow(*wide, CP_UTF8);
}

} // namespace tavo::platform
