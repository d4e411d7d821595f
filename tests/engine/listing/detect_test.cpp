#include "engine/listing/list_format_detect.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tavo::engine {
namespace {

TEST(DetectListFormat, FirstLineDecides) {
    const std::pair<std::string, TIdFTPListFormat> cases[] = {
        {"-rw-r--r--    1 0        0        536870912 Dec 09 04:56 big.bin", flfUnix},
        {"total 12", flfUnix},
        {"TOTAL 0", flfUnix},
        {"drwxrwxrwt   9 root root 4096 Feb 20 09:00 tmp", flfUnix},
        {"-rwsr-sr-x   1 root root 54256 Mar 23  2022 passwd", flfUnix},
        {"-rwSr-Sr-T   1 root root 1 Mar 23  2022 odd", flfUnix},
        {"drwxr-xr-x+  2 a b 4096 Jan 05 2003 acl", flfUnix},
        {"-rw-r--r--@  1 a b 1 Jan 05 2003 xattr", flfUnix},
        {"lrwxrwxrwx 1 root root 7 Mar 15 10:42 bin -> usr/bin", flfUnix},
        {"brw-rw----", flfUnix},
        {"crw-rw-rw-", flfUnix},
        {"prw-r--r--", flfUnix},
        {"srwxrwxrwx", flfUnix},
        {"xrw-r--r-- 1 a b 1 Jan 05 2003 x", flfUnknown},
        {"-rw-r--r-q 1 a b 1 Jan 05 2003 x", flfUnknown},
        {"-rw-r--r", flfUnknown},
        {"USER1:[DIR] dsk:x", flfVax},
        {"03-15-04  10:42AM       <DIR>          Projects", flfDos},
        {"03-15-04  10:42AM       <dir>          Projects", flfDos},
        {"03/15/04  10:42AM                 1,234 report.doc", flfDos},
        {"03-15-04  10:42AM                  1234 report.doc", flfDos},
        {"03-15-04  10:42AM       junk           report.doc", flfUnknown},
        {"03-15-04  10:42AM                  12ab report.doc", flfUnknown},
        {"03-15-04", flfUnknown},
        // Four-digit years, in IIS's own spacing and compacted.
        {"12-09-2026  10:15AM       <DIR>          sub", flfDos},
        {"12-09-2026  10:15AM  <DIR>  sub", flfDos},
        {"12/09/2026  10:15AM             1,234 report.doc", flfDos},
        {"12-09-2026  10:15AM  junk  report.doc", flfUnknown},
        {"12-09-2026", flfUnknown},
        {"TOTAL 03-15-04  10:42AM       <DIR>", flfUnix},
        {"readme.txt", flfUnknown},
        {"", flfUnknown},
    };
    for (const auto& [line, format] : cases) {
        EXPECT_EQ(DetectListFormat(line, true), format) << line;
    }
}

TEST(DetectListFormat, WithoutDetailsEveryLineIsAName) {
    EXPECT_EQ(DetectListFormat("-rw-r--r-- 1 a b 1 Jan 05 2003 x", false), flfNoDetails);
    EXPECT_EQ(DetectListFormat("", false), flfNoDetails);
}

} // namespace
} // namespace tavo::engine
