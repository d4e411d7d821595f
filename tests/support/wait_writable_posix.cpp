#include "tests/support/wait_writable.h"

#include <cerrno>
#include <poll.h>

namespace tavo::testing {

int WaitWritable(platform::SocketHandle socket, int timeoutMs, int& error) {
    pollfd entry{static_cast<int>(socket), POLLOUT, 0};
    int rc = ::poll(&entry, 1, timeoutMs);
    error = rc < 0 ? errno : 0;
    if (rc < 0)
        return -1;
    // An error or hang-up counts as writable: the send that follows reports it.
    return rc > 0 ? 1 : 0;
}

} // namespace tavo::testing
