#include "engine/listing/date_time.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

namespace tavo::engine {

namespace {

constexpr long long MsPerDay = 86'400'000;

// Proleptic Gregorian calendar day numbers (0 = 1 January 1970), valid for every year
// this module accepts, without going through the C library's time_t range.
constexpr long long DaysFromCivil(int year, int month, int day) {
    const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr long long EpochOffset = DaysFromCivil(1899, 12, 30);

} // namespace

TLocalDateTime SystemLocalNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    // std::localtime hands out one shared buffer; copy it out under a lock of our own.
    static std::mutex localTimeLock;
    std::tm parts{};
    {
        std::lock_guard<std::mutex> guard(localTimeLock);
        if (const std::tm* shared = std::localtime(&seconds)) {
            parts = *shared;
        }
    }
    TLocalDateTime result;
    result.Year = parts.tm_year + 1900;
    result.Month = parts.tm_mon + 1;
    result.Day = parts.tm_mday;
    result.Hour = parts.tm_hour;
    result.Minute = parts.tm_min;
    result.Second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
    result.Millisecond = static_cast<int>(millis < 0 ? 0 : millis);
    return result;
}

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

std::optional<TDateTime> TryEncodeDateTime(int year, int month, int day, int hour, int minute,
                                           int second, int millisecond) {
    if (year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999) {
        return std::nullopt;
    }
    const double date = static_cast<double>(DaysFromCivil(year, month, day) - EpochOffset);
    const double time =
        static_cast<double>(((hour * 60LL + minute) * 60 + second) * 1000 + millisecond) / MsPerDay;
    // Before the epoch the whole part counts backwards but the time of day still runs
    // forwards, so the fraction is subtracted.
    return date >= 0 ? date + time : date - time;
}

TLocalDateTime DecodeDateTime(TDateTime value) {
    long long days = static_cast<long long>(value >= 0 ? std::floor(value) : std::ceil(value));
    long long millis = std::llround(std::fabs(value - static_cast<double>(days)) * MsPerDay);
    if (millis >= MsPerDay) {
        millis -= MsPerDay;
        days += value >= 0 ? 1 : -1;
    }
    TLocalDateTime result;
    CivilFromDays(days + EpochOffset, result.Year, result.Month, result.Day);
    result.Hour = static_cast<int>(millis / 3'600'000);
    result.Minute = static_cast<int>(millis / 60'000 % 60);
    result.Second = static_cast<int>(millis / 1000 % 60);
    result.Millisecond = static_cast<int>(millis % 1000);
    return result;
}

} // namespace tavo::engine
