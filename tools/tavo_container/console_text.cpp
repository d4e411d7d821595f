#include "tools/tavo_container/console_text.h"

#include "form/code_page.h"

#include <cstdio>

namespace tavo::container {

std::string Utf8(const wchar_t* text, int length) {
    if (text == nullptr)
        return {};
    return Narrow(length < 0 ? std::wstring_view(text)
                             : std::wstring_view(text, static_cast<size_t>(length)),
                  CP_UTF8);
}

std::wstring Wide(const std::string& utf8) {
    return ::tavo::Wide(utf8, CP_UTF8);
}

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string VariantText(const VARIANT& value) {
    VARIANT plain;
    VariantInit(&plain);
    if (FAILED(VariantCopyInd(&plain, const_cast<VARIANT*>(&value))))
        return "(vt " + std::to_string(value.vt) + ")";
    std::string text;
    switch (plain.vt) {
    case VT_EMPTY:
        text = "(empty)";
        break;
    case VT_NULL:
        text = "(null)";
        break;
    case VT_BOOL:
        text = plain.boolVal ? "true" : "false";
        break;
    case VT_BSTR:
        text = "\"" + Utf8(plain.bstrVal, static_cast<int>(SysStringLen(plain.bstrVal))) + "\"";
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        text = plain.punkVal ? "(object)" : "(nothing)";
        break;
    default: {
        // Numbers the same on every system: the invariant locale's decimal point.
        VARIANT converted;
        VariantInit(&converted);
        if (SUCCEEDED(VariantChangeTypeEx(&converted, &plain, LOCALE_INVARIANT, 0, VT_BSTR)))
            text = Utf8(converted.bstrVal, static_cast<int>(SysStringLen(converted.bstrVal)));
        else
            text = "(vt " + std::to_string(plain.vt) + ")";
        VariantClear(&converted);
    }
    }
    VariantClear(&plain);
    return text;
}

std::string FailureText(HRESULT result, EXCEPINFO* exception) {
    std::string description;
    if (exception != nullptr) {
        if (exception->pfnDeferredFillIn != nullptr)
            exception->pfnDeferredFillIn(exception);
        if (exception->scode != 0)
            result = exception->scode;
        if (exception->bstrDescription != nullptr)
            description = Utf8(exception->bstrDescription);
    }
    IErrorInfo* info = nullptr;
    if (description.empty() && GetErrorInfo(0, &info) == S_OK && info != nullptr) {
        BSTR text = nullptr;
        if (SUCCEEDED(info->GetDescription(&text)) && text != nullptr)
            description = Utf8(text);
        SysFreeString(text);
        info->Release();
    }
    if (description.empty()) {
        wchar_t* text = nullptr;
        DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, static_cast<DWORD>(result), 0,
                                      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        if (length > 0)
            description = Utf8(text, static_cast<int>(length));
        LocalFree(text);
        while (!description.empty() && (description.back() == '\n' || description.back() == '\r'))
            description.pop_back();
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(result));
    return description.empty() ? hex : std::string(hex) + " " + description;
}

} // namespace tavo::container
