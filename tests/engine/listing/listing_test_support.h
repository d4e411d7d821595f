#pragma once

#include "engine/listing/date_time.h"
#include "engine/listing/list_item.h"

#include <gtest/gtest.h>

#include <string>

namespace tavo::engine::testing {

// 20 February 2026, 10:00: late enough in the year to tell "this year" from "last year".
inline TLocalDateTime FixedToday() {
    return {2026, 2, 20, 10, 0, 0, 0};
}

inline TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int ms = 0) {
    const auto value = TryEncodeDateTime(year, month, day, hour, minute, 0, ms);
    EXPECT_TRUE(value.has_value()) << year << "-" << month << "-" << day;
    return value.value_or(-1e9);
}

// The nine permission letters of an entry, owner's first.
inline std::string Rights(const TIdFTPListItem& item) {
    return std::string(item.OwnerRights()).append(item.GroupRights()).append(item.OtherRights());
}

inline void ExpectSameTime(TDateTime actual, TDateTime expected) {
    EXPECT_NEAR(actual, expected, 1e-9) << "actual " << actual << ", expected " << expected;
}

} // namespace tavo::engine::testing
