#pragma once
// What the container prints: UTF-8 lines flushed at once (a test reads them through a pipe
// while the window is still up), values of variants, and failures with their error text.

#include <windows.h>

#include <oaidl.h>

#include <stdexcept>
#include <string>

namespace tavo::container {

std::string Utf8(const wchar_t* text, int length = -1);
inline std::string Utf8(const std::wstring& text) {
    return Utf8(text.data(), static_cast<int>(text.size()));
}
std::wstring Wide(const std::string& utf8);

// Writes the line and a newline to stdout as UTF-8 and flushes it.
void PrintLine(const std::string& line);

// 7, "text", true, (empty), (object)... By-reference values are printed by their target.
std::string VariantText(const VARIANT& value);

// "0x80020006 Unknown name." with the description from the thread's error information,
// `exception` (a dispatch exception's) or the system's message table, in that order.
std::string FailureText(HRESULT result, EXCEPINFO* exception = nullptr);

// A failed COM call while creating or activating the control.
class TComFailure : public std::runtime_error {
public:
    TComFailure(const std::string& what, HRESULT result)
        : std::runtime_error(what + " failed: " + FailureText(result)) {}
};

inline void Check(HRESULT result, const char* what) {
    if (FAILED(result))
        throw TComFailure(what, result);
}

} // namespace tavo::container
