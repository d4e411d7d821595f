#include "engine/core/id_antifreeze.h"

#include "engine/platform/message_pump.h"

namespace tavo::engine {
namespace {
TIdAntiFreeze* current = nullptr;
}

TIdAntiFreeze::TIdAntiFreeze() {
    current = this;
}

TIdAntiFreeze::~TIdAntiFreeze() {
    if (current == this)
        current = nullptr;
}

TIdAntiFreeze* TIdAntiFreeze::Current() {
    return current;
}

bool TIdAntiFreeze::PumpApplies() {
    return current != nullptr && current->Active && platform::IsMainThread();
}

void TIdAntiFreeze::PumpIfDue(bool idle, bool override) {
    if (!PumpApplies())
        return;
    if (idle || override || !current->OnlyWhenIdle)
        platform::PumpHostMessages(current->ApplicationHasPriority);
}

} // namespace tavo::engine
