#include "engine/core/id_antifreeze.h"

#include "engine/platform/message_pump.h"

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

} // namespace tavo::engine
