#pragma once
// A failure that carries its own OLE status code to the caller of an interface method, and the
// guard that keeps C++ errors inside the library.

#include <windows.h>

#include <new>
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

// The guard of the interface methods that publish no error information (activation,
// connection points): whatever escapes `work` becomes the method's result, E_OUTOFMEMORY when
// memory ran out, an OLE error's own code, E_UNEXPECTED for anything else. Nothing is thrown
// across the boundary.
template <typename TWork> HRESULT GuardedCall(TWork&& work) noexcept {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const EOleSysError& error) {
        return error.Code < 0 ? error.Code : E_UNEXPECTED;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace tavo::control
