#include "engine/core/id_component.h"

#include "engine/core/errors.h"
#include "engine/platform/sockets.h"

#include <mutex>

namespace tavo::engine {
namespace {

std::mutex socketLayerLock;
int liveComponents = 0;

const char* StatusFormat(TIdStatus status) {
    switch (status) {
    case hsResolving:
        return "Resolving hostname %s.";
    case hsConnecting:
        return "Connecting to %s.";
    case hsConnected:
        return "Connected.";
    case hsDisconnecting:
        return "Disconnecting.";
    case hsDisconnected:
        return "Disconnected.";
    default:
        return "%s";
    }
}

} // namespace

std::string StatusText(TIdStatus status, const std::string& argument) {
    std::string text = StatusFormat(status);
    auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

TIdComponent::TIdComponent() {
    std::lock_guard guard(socketLayerLock);
    if (liveComponents == 0 && platform::StartSocketLibrary() != 0)
        throw EIdStackInitializationFailed();
    ++liveComponents;
}

TIdComponent::~TIdComponent() {
    std::lock_guard guard(socketLayerLock);
    if (--liveComponents == 0)
        platform::StopSocketLibrary();
}

void TIdComponent::ReportStatus(TIdStatus status, const std::string& argument) {
    if (OnStatus)
        OnStatus(*this, status, StatusText(status, argument));
}

void TIdComponent::BeginProgress(TWorkMode mode, int64_t countMax) {
    ProgressRecord& record = progress_[mode];
    if (++record.level == 1) {
        record.countMax = countMax;
        record.count = 0;
        if (OnWorkBegin)
            OnWorkBegin(*this, mode, countMax);
    }
}

void TIdComponent::ReportProgress(TWorkMode mode, int64_t count) {
    ProgressRecord& record = progress_[mode];
    if (record.level < 1)
        return;
    record.count += count;
    if (OnWork)
        OnWork(*this, mode, record.count);
}

void TIdComponent::EndProgress(TWorkMode mode) {
    ProgressRecord& record = progress_[mode];
    if (record.level == 1 && OnWorkEnd)
        OnWorkEnd(*this, mode);
    --record.level;
}

} // namespace tavo::engine
