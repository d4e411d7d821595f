// Code page conversion through the system's own tables.

#include "tools/tavo_host/host_output.h"

#include "form/code_page.h"

#include <windows.h>

#include <stdexcept>

namespace tavo::host {

std::string CodePageToUtf8(const std::string& text, int codePage) {
    return Narrow(Wide(text, static_cast<UINT>(codePage)), CP_UTF8);
}

std::string Utf8ToCodePage(const std::string& text, int codePage) {
    const std::wstring wide = Wide(text, CP_UTF8, MB_ERR_INVALID_CHARS);
    if (wide.empty() && !text.empty())
        throw std::runtime_error("text is not UTF-8: " + text);
    BOOL defaultUsed = FALSE;
    std::string result = Narrow(wide, static_cast<UINT>(codePage), &defaultUsed);
    if (defaultUsed)
        throw std::runtime_error("text not representable in code page " + std::to_string(codePage) +
                                 ": " + text);
    return result;
}

} // namespace tavo::host
