#include "engine/core/id_antifreeze.h"

#include "engine/platform/message_pump.h"

#include <chrono>
#include <vector>

namespace tavo::engine {
namespace {
// The newest pump is the current one. Each control of a page has its own; when one goes,
// the one made before it takes over, so the controls left keep their window alive.
std::vector<TIdAntiFreeze*>& Pumps() {
    static std::vector<TIdAntiFreeze*> pumps;
    return pumps;
}
} // namespace

TIdAntiFreeze::TIdAntiFreeze() {
    Pumps().push_back(this);
}

TIdAntiFreeze::~TIdAntiFreeze() {
    std::erase(Pumps(), this);
}

TIdAntiFreeze* TIdAntiFreeze::Current() {
    return Pumps().empty() ? nullptr : Pumps().back();
}

bool TIdAntiFreeze::PumpApplies() {
    TIdAntiFreeze* current = Current();
    return current != nullptr && current->Active && platform::IsMainThread();
}

void TIdAntiFreeze::PumpIfDue(bool idle, bool override) {
    if (!PumpApplies())
        return;
    TIdAntiFreeze* current = Current();
    if (idle || override || !current->OnlyWhenIdle)
        platform::PumpHostMessages(current->ApplicationHasPriority);
}

void TIdAntiFreeze::PumpWhileStreaming() {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point last;
    if (!PumpApplies())
        return;
    const Clock::time_point now = Clock::now();
    if (now - last < std::chrono::milliseconds(StreamingPumpEveryMs))
        return;
    last = now;
    PumpIfDue(false);
}

} // namespace tavo::engine
