#pragma once
// A failure that carries its own OLE status code to the caller of an interface method.

#include <windows.h>

#include <stdexcept>
#include <string>

namespace tavo::control {

class EOleSysError : public std::runtime_error {
public:
    EOleSysError(HRESULT code, const std::string& message)
        : std::runtime_error(message), Code(code) {}
    HRESULT Code;
};

// Throws EOleSysError for a failed result.
inline void OleCheck(HRESULT result, const char* what) {
    if (FAILED(result))
        throw EOleSysError(result, what);
}

} // namespace tavo::control
