#include "engine/platform/message_pump.h"

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavo::platform {
namespace {

PumpCallback& Callback() {
    static PumpCallback callback;
    return callback;
}

// Static initialisation runs on the thread that starts the process (and, for a library,
// on the thread that loads it, which for an in-process control is the host's UI thread).
const std::thread::id mainThreadId = std::this_thread::get_id();

} // namespace

void PumpHostMessages(bool processAll) {
#ifdef _WIN32
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (!processAll)
            break;
    }
#endif
    if (Callback()) {
        // Copy: the callback may replace itself while it runs.
        PumpCallback callback = Callback();
        callback(processAll);
    }
}

void SetPumpCallback(PumpCallback callback) {
    Callback() = std::move(callback);
}

namespace {
thread_local MessageWake* currentWake = nullptr;
}

MessageWake::MessageWake(std::function<bool()> handleMessages)
    : handleMessages_(std::move(handleMessages)), outer_(currentWake) {
    currentWake = this;
}

MessageWake::~MessageWake() {
    currentWake = outer_;
}

MessageWake* MessageWake::Current() {
    return currentWake;
}

bool IsMainThread() {
    return std::this_thread::get_id() == mainThreadId;
}

void SleepMilliseconds(int milliseconds) {
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace tavo::platform
