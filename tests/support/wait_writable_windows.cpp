// Looked up at run time in the ws2_32.dll the socket layer has loaded, like the rest of the
// project's Winsock calls.
#include "tests/support/wait_writable.h"

#include <winsock2.h>

#include <windows.h>

namespace tavo::testing {
namespace {

using SelectFunction = int(WSAAPI*)(int, fd_set*, fd_set*, fd_set*, const timeval*);
using LastErrorFunction = int(WSAAPI*)();

template <typename F> F Lookup(const char* name) {
    HMODULE module = GetModuleHandleA("ws2_32.dll");
    if (module == nullptr)
        module = LoadLibraryA("ws2_32.dll");
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

} // namespace

int WaitWritable(platform::SocketHandle socket, int timeoutMs, int& error) {
    static const auto select = Lookup<SelectFunction>("select");
    static const auto lastError = Lookup<LastErrorFunction>("WSAGetLastError");
    if (select == nullptr || lastError == nullptr) {
        error = WSASYSNOTREADY;
        return -1;
    }
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(static_cast<SOCKET>(socket), &writable);
    FD_SET(static_cast<SOCKET>(socket), &failed);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int rc = select(0, nullptr, &writable, &failed, &limit);
    if (rc == SOCKET_ERROR) {
        error = lastError();
        return -1;
    }
    error = 0;
    return rc > 0 ? 1 : 0;
}

} // namespace tavo::testing
