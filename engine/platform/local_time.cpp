#include "engine/platform/local_time.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavo::platform {

std::tm LocalTime(std::time_t when) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    return local;
}

std::chrono::steady_clock::time_point TickClockNow() {
#ifdef _WIN32
    return std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(GetTickCount64())));
#else
    return std::chrono::steady_clock::now();
#endif
}

} // namespace tavo::platform
