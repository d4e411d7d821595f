#pragma once
// The message pump that keeps the host's window alive while the engine waits on the network.
// Waits are cut into IdleTimeOut slices and the host's messages run between them, so user
// commands can run nested inside a waiting engine operation.

namespace tavo::engine {

class TIdAntiFreeze {
public:
    TIdAntiFreeze();  // becomes the process's current pump
    ~TIdAntiFreeze(); // the pump made before it, if any, becomes current again
    TIdAntiFreeze(const TIdAntiFreeze&) = delete;
    TIdAntiFreeze& operator=(const TIdAntiFreeze&) = delete;

    bool Active = true;
    bool ApplicationHasPriority = true;
    int IdleTimeOut = 250;
    bool OnlyWhenIdle = true;

    static TIdAntiFreeze* Current();
    // A current pump exists, is active, and the caller runs on the main thread.
    static bool PumpApplies();
    static void PumpIfDue(bool idle, bool override = false);
    // The pump of a stream that reads without waiting, because data keeps arriving faster
    // than it is taken: by time, not per read (under Wine each pump costs a round trip to the
    // server), so the host's messages still run at least every StreamingPumpEveryMs.
    static constexpr int StreamingPumpEveryMs = 5;
    static void PumpWhileStreaming();
};

} // namespace tavo::engine
