#include "engine/listing/columns.h"
#include "listing_test_support.h"

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

namespace tavo::engine {
namespace {

using Columns = std::vector<std::string>;

TEST(SplitColumns, RunsOfSeparatorsGiveNoEmptyColumns) {
    EXPECT_EQ(SplitColumns("  a  b   c ", " "), (Columns{"a", "b", "c"}));
    EXPECT_EQ(SplitColumns("a\t b \t", " "), (Columns{"a", "b"}));
    EXPECT_EQ(SplitColumns(" \t ", " "), Columns{});
    EXPECT_EQ(SplitColumns("a, b,, c", ","), (Columns{"a", "b", "c"}));
    EXPECT_EQ(SplitColumns("x -> y -> z", " -> "), (Columns{"x", "y", "z"}));
    EXPECT_EQ(SplitColumns(" one piece ", ""), Columns{"one piece"});
}

TEST(MonthNumber, OnlyThreeLetterEnglishNames) {
    EXPECT_EQ(MonthNumber("Jan"), 1);
    EXPECT_EQ(MonthNumber("fEB"), 2);
    EXPECT_EQ(MonthNumber("DEC"), 12);
    EXPECT_EQ(MonthNumber("January"), 0);
    EXPECT_EQ(MonthNumber("Ja"), 0);
    EXPECT_EQ(MonthNumber(""), 0);
    EXPECT_EQ(MonthNumber("1\xE6\x9C\x88"), 0);
}

TEST(DateTime, CountsDaysFromLastDayOf1899) {
    EXPECT_EQ(*TryEncodeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
    EXPECT_EQ(*TryEncodeDateTime(1900, 1, 1, 0, 0, 0, 0), 2.0);
    EXPECT_EQ(*TryEncodeDateTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
    // Before the epoch the time of day still runs forwards.
    EXPECT_EQ(*TryEncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
}

TEST(DateTime, RejectsImpossibleValues) {
    EXPECT_FALSE(TryEncodeDateTime(2023, 2, 29, 0, 0, 0, 0));
    EXPECT_FALSE(TryEncodeDateTime(1900, 2, 29, 0, 0, 0, 0));
    EXPECT_TRUE(TryEncodeDateTime(2000, 2, 29, 0, 0, 0, 0));
    EXPECT_FALSE(TryEncodeDateTime(2024, 0, 1, 0, 0, 0, 0));
    EXPECT_FALSE(TryEncodeDateTime(2024, 13, 1, 0, 0, 0, 0));
    EXPECT_FALSE(TryEncodeDateTime(0, 1, 1, 0, 0, 0, 0));
    EXPECT_FALSE(TryEncodeDateTime(10000, 1, 1, 0, 0, 0, 0));
    EXPECT_FALSE(TryEncodeDateTime(2024, 1, 1, 24, 0, 0, 0));
    EXPECT_FALSE(TryEncodeDateTime(2024, 1, 1, 0, 60, 0, 0));
    EXPECT_FALSE(TryEncodeDateTime(2024, 1, 1, 0, 0, 0, 1000));
}

TEST(DateTime, DecodeReturnsWhatWasEncoded) {
    const TLocalDateTime samples[] = {
        {2003, 1, 5, 0, 0, 0, 999},  {2075, 12, 31, 23, 59, 59, 999}, {1, 1, 1, 0, 0, 0, 0},
        {1899, 12, 29, 6, 30, 0, 0}, {9999, 12, 31, 23, 59, 59, 999}, {2024, 2, 29, 12, 0, 1, 2}};
    for (const TLocalDateTime& s : samples) {
        const TLocalDateTime d = DecodeDateTime(
            *TryEncodeDateTime(s.Year, s.Month, s.Day, s.Hour, s.Minute, s.Second, s.Millisecond));
        EXPECT_EQ(
            (std::vector<int>{d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second, d.Millisecond}),
            (std::vector<int>{s.Year, s.Month, s.Day, s.Hour, s.Minute, s.Second, s.Millisecond}));
    }
}

TEST(DateTime, SystemClockLeavesProcessSettingsAlone) {
    const std::string localeBefore = std::setlocale(LC_ALL, nullptr);
    const char* tz = std::getenv("TZ");
    const std::string tzBefore = tz ? tz : "<unset>";
    const TLocalDateTime now = SystemLocalNow();
    EXPECT_GE(now.Year, 2024);
    EXPECT_TRUE(TryEncodeDateTime(now.Year, now.Month, now.Day, now.Hour, now.Minute, now.Second,
                                  now.Millisecond));
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), localeBefore);
    tz = std::getenv("TZ");
    EXPECT_EQ(tz ? tz : "<unset>", tzBefore);
}

} // namespace
} // namespace tavo::engine
