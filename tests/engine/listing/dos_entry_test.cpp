#include "listing_test_support.h"

#include <ostream>
#include <string>

namespace tavo::engine {
namespace {

using testing::At;

struct TDosCase {
    const char* Line;
    TIdDirItemType Kind;
    std::string Name;
    std::int64_t Size;
    TDateTime Modified; // 0: unreadable date

    friend void PrintTo(const TDosCase& c, std::ostream* os) { *os << '"' << c.Line << '"'; }
};

class DosEntry : public ::testing::TestWithParam<TDosCase> {};

TEST_P(DosEntry, ParsesServerLine) {
    const TDosCase& c = GetParam();
    TIdFTPListItems list;
    list.SetTodayProvider(testing::FixedToday);
    TIdFTPListItem item;
    item.SetRawLine(c.Line);
    list.ParseDosEntry(item);
    EXPECT_EQ(item.EntryKind, c.Kind);
    EXPECT_EQ(item.EntryName(), c.Name);
    EXPECT_EQ(item.ByteSize, c.Size);
    testing::ExpectSameTime(item.ModifiedAt, c.Modified);
}

// Today is in 2026, so two-digit years 76..99 are 19xx and 00..75 are 20xx.
INSTANTIATE_TEST_SUITE_P(
    Iis, DosEntry,
    ::testing::Values(
        TDosCase{"03-15-04  10:42AM       <DIR>          Projects", ekDirectory, "Projects", 0,
                 At(2004, 3, 15, 10, 42)},
        TDosCase{"03-15-04  10:42AM                 1,234 report.doc", ekFile, "report.doc", 1234,
                 At(2004, 3, 15, 10, 42)},
        TDosCase{"03-15-04  10:42PM        5,368,709,120 two  spaces.iso", ekFile,
                 "two  spaces.iso", 5368709120LL, At(2004, 3, 15, 22, 42)},
        TDosCase{"03-15-04  12:05AM       <dir>          midnight", ekDirectory, "midnight", 0,
                 At(2004, 3, 15, 0, 5)},
        TDosCase{"03-15-04  12:05PM                    1 noon", ekFile, "noon", 1,
                 At(2004, 3, 15, 12, 5)},
        TDosCase{"03/15/04  22:05                      1 no-marker", ekFile, "no-marker", 1,
                 At(2004, 3, 15, 22, 5)},
        TDosCase{"01-01-76  01:00AM                    1 window-start", ekFile, "window-start", 1,
                 At(1976, 1, 1, 1, 0)},
        TDosCase{"12-31-75  11:59PM                    1 window-end", ekFile, "window-end", 1,
                 At(2075, 12, 31, 23, 59)},
        TDosCase{"02-29-00  01:00AM                    1 leap-2000", ekFile, "leap-2000", 1,
                 At(2000, 2, 29, 1, 0)},
        // Unreadable dates and times keep the entry with time 0.
        TDosCase{"13-40-04  10:42AM                    5 bad-date.txt", ekFile, "bad-date.txt", 5,
                 0},
        TDosCase{"03-15-04  13:42PM                    5 bad-hour.txt", ekFile, "bad-hour.txt", 5,
                 0},
        TDosCase{"03-15-04  10:42XM                    5 bad-marker", ekFile, "bad-marker", 5, 0},
        TDosCase{"03-15-04  noon                       5 no-colon", ekFile, "no-colon", 5, 0},
        TDosCase{"03-15-04  10:42AM                 12ab x", ekFile, "x", 0,
                 At(2004, 3, 15, 10, 42)},
        TDosCase{"03-15-04", ekFile, "", 0, 0},
        // Four-digit years are taken as they stand.
        TDosCase{"12-09-2026  10:15AM  <DIR>  sub", ekDirectory, "sub", 0, At(2026, 12, 9, 10, 15)},
        TDosCase{"01-02-1999  11:30PM             1,234 old  report.doc", ekFile, "old  report.doc",
                 1234, At(1999, 1, 2, 23, 30)},
        TDosCase{"02-30-2026  10:15AM                 7 bad-day", ekFile, "bad-day", 7, 0}));

} // namespace
} // namespace tavo::engine
