#pragma once
// The engine's socket layer has no wait for writability, which the scripted server needs to
// bound its sends: a blocking send to a client that stopped reading would otherwise hang, and
// under Wine neither shutting nor closing the socket from another thread wakes it.

#include "engine/platform/sockets.h"

namespace tavo::testing {

// 1 when the socket can take more bytes within timeoutMs, 0 on timeout, -1 with error set.
int WaitWritable(platform::SocketHandle socket, int timeoutMs, int& error);

} // namespace tavo::testing
