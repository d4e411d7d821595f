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

// While one lives on a thread, a socket wait there (WaitReadable) ends early when a window
// message arrives: the wait runs `handleMessages` at once and then waits for what is left of
// its time, or returns when the handler answers false (the socket was closed under it). So a
// click is handled as it comes, not only at the end of a wait's slice. Nests: the innermost
// one counts. Windows only; elsewhere waits are not interrupted.
class MessageWake {
public:
    explicit MessageWake(std::function<bool()> handleMessages);
    ~MessageWake();
    MessageWake(const MessageWake&) = delete;
    MessageWake& operator=(const MessageWake&) = delete;

    bool HandleMessages() { return handleMessages_(); }
    // The innermost one on this thread, or null.
    static MessageWake* Current();

private:
    std::function<bool()> handleMessages_;
    MessageWake* outer_;
};

// True on the thread that started the process (the host's user-interface thread).
bool IsMainThread();

// Milliseconds from a steady clock, and a sleep, for slicing waits.
void SleepMilliseconds(int milliseconds);

} // namespace tavo::platform
