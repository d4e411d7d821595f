#pragma once
// Broken-down local time without the thread-unsafe std::localtime, and a cheap clock.

#include <chrono>
#include <ctime>

namespace tavo::platform {

std::tm LocalTime(std::time_t when);

// A steady clock read many times a second (once per transfer block) at the system tick's
// grain: about 16 ms on Windows, where the precise clock costs a system call (some 300 ns
// under Wine, 130,000 times for a 256 MiB download); the precise clock elsewhere. Its times
// compare only with each other.
std::chrono::steady_clock::time_point TickClockNow();

} // namespace tavo::platform
