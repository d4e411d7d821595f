// Windows programs of this project run under Wine, whose drive Z: is the Unix root.
#include "tests/support/real_servers.h"

#include <windows.h>

namespace tavo::testing {

std::string LocalPathFromUnix(const std::string& unixPath) {
    if (unixPath.empty() || unixPath.front() != '/')
        return unixPath;
    std::string path = "Z:";
    for (char c : unixPath)
        path += c == '/' ? '\\' : c;
    return path;
}

char LocalPathSeparator() {
    return '\\';
}

bool TlsSessionsResume() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
}

} // namespace tavo::testing
