#pragma once
// Base of every engine object: status and progress events, and the process-wide socket
// layer that lives as long as any engine object does.

#include <cstdint>
#include <functional>
#include <string>

namespace tavo::engine {

enum TIdStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted
};

enum TWorkMode { wmRead, wmWrite };

// The status text of a TIdStatus with its argument filled in.
std::string StatusText(TIdStatus status, const std::string& argument);

class TIdComponent {
public:
    using TIdStatusEvent =
        std::function<void(TIdComponent& sender, TIdStatus status, const std::string& text)>;
    using TWorkEvent = std::function<void(TIdComponent& sender, TWorkMode mode, int64_t count)>;
    using TWorkBeginEvent =
        std::function<void(TIdComponent& sender, TWorkMode mode, int64_t countMax)>;
    using TWorkEndEvent = std::function<void(TIdComponent& sender, TWorkMode mode)>;

    TIdComponent();
    virtual ~TIdComponent();
    TIdComponent(const TIdComponent&) = delete;
    TIdComponent& operator=(const TIdComponent&) = delete;

    TIdStatusEvent OnStatus;
    TWorkEvent OnWork;
    TWorkBeginEvent OnWorkBegin;
    TWorkEndEvent OnWorkEnd;

    void ReportStatus(TIdStatus status, const std::string& argument = {});
    void BeginProgress(TWorkMode mode, int64_t countMax);
    void ReportProgress(TWorkMode mode, int64_t count);
    void EndProgress(TWorkMode mode);

private:
    struct ProgressRecord {
        int64_t count = 0;
        int64_t countMax = 0;
        int level = 0;
    };
    ProgressRecord progress_[2];
};

} // namespace tavo::engine
