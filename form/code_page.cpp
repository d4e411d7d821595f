#include "form/code_page.h"

namespace tavo {

std::wstring Wide(std::string_view bytes, UINT codePage, DWORD flags) {
    if (bytes.empty())
        return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), size, text.data(), length);
    return text;
}

std::string Narrow(std::wstring_view text, UINT codePage, BOOL* defaultUsed) {
    if (defaultUsed)
        *defaultUsed = FALSE;
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    // CP_UTF8 refuses a defaultUsed flag.
    BOOL* flag = codePage == CP_UTF8 ? nullptr : defaultUsed;
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, flag);
    if (length <= 0)
        return {};
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), length, nullptr, flag);
    return bytes;
}

} // namespace tavo
