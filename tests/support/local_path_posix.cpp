#include "tests/support/real_servers.h"

namespace tavo::testing {

std::string LocalPathFromUnix(const std::string& unixPath) {
    return unixPath;
}

char LocalPathSeparator() {
    return '/';
}

bool TlsSessionsResume() {
    return true;
}

} // namespace tavo::testing
