#pragma once
// Local date-time values as the controller shows them: a double counting days since
// 30 December 1899, the time of day as the fraction. No time zone is attached.

#include <functional>
#include <optional>

namespace tavo::engine {

using TDateTime = double;

struct TLocalDateTime {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// Supplies "now" in local time. Parsers take one so that tests can pin the date.
using TTodayProvider = std::function<TLocalDateTime()>;

// The machine's local date and time. Reads the time zone; changes no process-wide setting.
TLocalDateTime SystemLocalNow();

bool IsLeapYear(int year);
// 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// Empty for an impossible date (year outside 1..9999, month or day out of range) or time.
std::optional<TDateTime> TryEncodeDateTime(int year, int month, int day, int hour, int minute,
                                           int second, int millisecond);

// Inverse of TryEncodeDateTime, rounded to the millisecond.
TLocalDateTime DecodeDateTime(TDateTime value);

} // namespace tavo::engine
