#include "engine/platform/local_time.h"

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

} // namespace tavo::platform
