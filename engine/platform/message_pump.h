#pragma once
// Where the host plugs in while the engine waits on the network. On Windows the engine
// processes the thread's pending window messages itself; any host may add a callback that
// runs in the same place (a console host, or a test that acts "while the user clicks").

#include <functional>

namespace tavo::platform {

// Runs the host's pending messages: all of them, or at most one.
void PumpHostMessages(bool processAll);

using PumpCallback = std::function<void(bool processAll)>;
// Replaces the callback run by PumpHostMessages after the platform's own messages.
void SetPumpCallback(PumpCallback callback);

// True on the thread that started the process (the host's user-interface thread).
bool IsMainThread();

// Milliseconds from a steady clock, and a sleep, for slicing waits.
void SleepMilliseconds(int milliseconds);

} // namespace tavo::platform
