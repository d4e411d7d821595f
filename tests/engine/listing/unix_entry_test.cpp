#include "engine/core/errors.h"
#include "listing_test_support.h"

#include <ostream>
#include <string>

namespace tavo::engine {
namespace {

using testing::At;
using testing::ExpectSameTime;

struct TUnixCase {
    const char* Line;
    TIdDirItemType Kind;
    std::string Name;
    std::string Target;
    std::int64_t Size;
    std::string Owner;
    std::string Group;
    std::string Rights; // owner, group and other rights run together
    int Links;
    TDateTime Modified;

    friend void PrintTo(const TUnixCase& c, std::ostream* os) { *os << '"' << c.Line << '"'; }
};

class UnixEntry : public ::testing::TestWithParam<TUnixCase> {};

TEST_P(UnixEntry, ParsesServerLine) {
    const TUnixCase& c = GetParam();
    TIdFTPListItems list;
    list.SetTodayProvider(testing::FixedToday);
    TIdFTPListItem item;
    item.SetRawLine(c.Line);
    list.ParseUnixEntry(item);
    EXPECT_EQ(item.EntryKind, c.Kind);
    EXPECT_EQ(item.EntryName(), c.Name);
    EXPECT_EQ(item.LinkTarget(), c.Target);
    EXPECT_EQ(item.ByteSize, c.Size);
    EXPECT_EQ(item.OwnerText(), c.Owner);
    EXPECT_EQ(item.GroupText(), c.Group);
    EXPECT_EQ(testing::Rights(item), c.Rights);
    EXPECT_EQ(item.LinkCount, c.Links);
    ExpectSameTime(item.ModifiedAt, c.Modified);
    EXPECT_EQ(item.RawLine(), c.Line);
}

// Today is 20 February 2026: a month after February with a time means last year.
INSTANTIATE_TEST_SUITE_P(
    Servers, UnixEntry,
    ::testing::Values(
        TUnixCase{"-rw-r--r--    1 0        0        536870912 Dec 09 04:56 big.bin", ekFile,
                  "big.bin", "", 536870912, "0", "0", "rw-r--r--", 1, At(2025, 12, 9, 4, 56, 999)},
        TUnixCase{"drwxr-xr-x 2 ftp ftp 4096 Jan 05 2003 pub", ekDirectory, "pub", "", 4096, "ftp",
                  "ftp", "rwxr-xr-x", 2, At(2003, 1, 5, 0, 0, 999)},
        TUnixCase{"lrwxrwxrwx 1 root root 7 Mar 15 10:42 bin -> usr/bin", ekSymbolicLink, "bin",
                  "usr/bin", 7, "root", "root", "rwxrwxrwx", 1, At(2025, 3, 15, 10, 42, 999)},
        // A date later this month lies in the future, not last year.
        TUnixCase{"-rw-r--r--   1 tester   tester      12345 Feb 25 10:42 future.txt", ekFile,
                  "future.txt", "", 12345, "tester", "tester", "rw-r--r--", 1,
                  At(2026, 2, 25, 10, 42, 999)},
        // Blanks a server pads its lines with are not part of the name.
        TUnixCase{"-rw-r--r--   1 ftp  ftp  1048576 Jan 15 10:42 my  file.txt  \t", ekFile,
                  "my  file.txt", "", 1048576, "ftp", "ftp", "rw-r--r--", 1,
                  At(2026, 1, 15, 10, 42, 999)},
        TUnixCase{"-rw-r--r--   1 ftp  ftp  1 Jan 15 10:42  leading space", ekFile,
                  " leading space", "", 1, "ftp", "ftp", "rw-r--r--", 1,
                  At(2026, 1, 15, 10, 42, 999)},
        TUnixCase{"drwxrwxrwt   9 root     root          4096 Feb 20 09:00 tmp", ekDirectory, "tmp",
                  "", 4096, "root", "root", "rwxrwxrwt", 9, At(2026, 2, 20, 9, 0, 999)},
        TUnixCase{"-rwsr-sr-x   1 root     root         54256 Mar 23  2022 passwd", ekFile,
                  "passwd", "", 54256, "root", "root", "rwsr-sr-x", 1, At(2022, 3, 23, 0, 0, 999)},
        TUnixCase{"-rw-r--r--+  1 alice    staff          100 Jan  1  2020 acl.txt", ekFile,
                  "acl.txt", "", 100, "alice", "staff", "rw-r--r--", 1, At(2020, 1, 1, 0, 0, 999)},
        TUnixCase{"-rw-r--r-- 1 ftp 1024 Jan 05 2003 a.txt", ekFile, "a.txt", "", 1024, "", "ftp",
                  "rw-r--r--", 1, At(2003, 1, 5, 0, 0, 999)},
        TUnixCase{"-rw-r--r-- 1 ftp 1024 Jan 05 2003 a  b.txt", ekFile, "a  b.txt", "", 1024, "",
                  "ftp", "rw-r--r--", 1, At(2003, 1, 5, 0, 0, 999)},
        TUnixCase{"lrwxrwxrwx 1 u g 7 Mar 15 10:42 my link -> target dir/x", ekSymbolicLink,
                  "my link", "target dir/x", 7, "u", "g", "rwxrwxrwx", 1,
                  At(2025, 3, 15, 10, 42, 999)},
        TUnixCase{"lrwxrwxrwx 1 u g 7 Mar 15 10:42 pad -> target   ", ekSymbolicLink, "pad",
                  "target", 7, "u", "g", "rwxrwxrwx", 1, At(2025, 3, 15, 10, 42, 999)},
        TUnixCase{"lrwxrwxrwx 1 u g 7 Mar 15 10:42 dangling", ekSymbolicLink, "dangling", "", 7,
                  "u", "g", "rwxrwxrwx", 1, At(2025, 3, 15, 10, 42, 999)},
        TUnixCase{"-rw-r--r-- 1 u g 5000000000 Feb 29 2024 x", ekFile, "x", "", 5000000000LL, "u",
                  "g", "rw-r--r--", 1, At(2024, 2, 29, 0, 0, 999)},
        TUnixCase{"prw-r--r-- X u g 12x jan 05 2003 fifo", ekFile, "fifo", "", 0, "u", "g",
                  "rw-r--r--", 0, At(2003, 1, 5, 0, 0, 999)},
        TUnixCase{"DRWX 1 u g 0 Jan xx 2003 short-rights", ekDirectory, "short-rights", "", 0, "u",
                  "g", "RWX", 1, At(2003, 1, 20, 0, 0, 999)}));

TEST(UnixEntryFailure, ImpossibleOrShortLinesRaise) {
    TIdFTPListItems list;
    list.SetTodayProvider(testing::FixedToday);
    for (const char* line : {
             "-rw-r--r-- 1 ftp ftp 1024 1\xE6\x9C\x88 15 10:42 a.txt", // foreign month name
             "-rw-r--r-- 1 ftp ftp 1024 January 15 10:42 a.txt",
             "-rw-r--r-- 1 ftp ftp 1024 Jan 05",
             "-rw-r--r-- 1 ftp ftp 1024 Feb 29 2023 no-leap-day",
             "-rw-r--r-- 1 ftp ftp 1024 Apr 31 2023 x",
             "-rw-r--r-- 1 ftp ftp 1024 Jan 05 24:00 x",
             "-rw-r--r-- 1 ftp ftp 1024 Jan 05 10:60 x",
             "-rw-r--r-- 1 ftp ftp 1024 Jan 05 0 x",
             "",
         }) {
        TIdFTPListItem item;
        item.SetRawLine(line);
        EXPECT_THROW(list.ParseUnixEntry(item), EIdInvalidFTPListingFormat) << line;
    }
}

} // namespace
} // namespace tavo::engine
