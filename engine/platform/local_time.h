#pragma once
// Broken-down local time without the thread-unsafe std::localtime.

#include <ctime>

namespace tavo::platform {

std::tm LocalTime(std::time_t when);

} // namespace tavo::platform
