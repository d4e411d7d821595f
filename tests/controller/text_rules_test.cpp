// The controller's text rules: password decoding, icons, typed names, trace lines and the
// pieces of the progress line.

#include "controller/base64.h"
#include "controller/file_type.h"
#include "controller/progress_text.h"
#include "controller/system/system_services.h"
#include "controller/text_rules.h"
#include "controller/trace_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace tavo::controller {
namespace {

struct Base64Case {
    std::string text;
    std::string bytes;
};

TEST(Base64DecoderTest, FollowsTheGroupRule) {
    const std::vector<Base64Case> cases = {
        {"", ""},
        {"YWJj", "abc"},             // four characters, no pad: three bytes
        {"YWI=", "ab"},              // one pad: two bytes
        {"YQ==", "a"},               // two pads: one byte
        {"c2VjcmV0IQ==", "secret!"}, // several groups
        {"YWJjZA", "abc"},           // a partial last group is dropped
        {"YWJjZ", "abc"},
        {"====", std::string(1, '\x04')}, // pad values go into the bytes, cut to 8 bits
        {"=WJj", ""},                     // a pad first: no bytes at all
        {"YW=j", "a"},                    // the third position decides before the fourth
        {"/+/+", "\xFF\xEF\xFE"},
        // A character outside the alphabet takes a position and keeps the value the
        // position held in the previous group (0 in the first group).
        {"YW\nj", "a`#"},
        {"YWJjY \r\n", "abcabc"},
        {" WJj", std::string("\x01\x62\x63", 3)},
    };
    for (const Base64Case& c : cases)
        EXPECT_EQ(Base64Decoder(c.text), c.bytes) << '"' << c.text << '"';
}

TEST(GetFileTypeTest, ChoosesTheIconByTheLastThreeCharacters) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"report.DOC", 10}, {"report.doc", 10},
        {"MYDOC", 10},      {"photo.jpeg", 11},
        {"a.bmp", 11},      {"x.Gif", 11},
        {"p.png", 11},      {"p.JPG", 11},
        {"index.html", 12}, {"a.htm", 12},
        {"b.mht", 12},      {"c.pdf", 13},
        {"d.ppt", 14},      {"e.txt", 15},
        {"f.xls", 16},      {"g.zip", 17},
        {"h.rar", 17},      {"i.tar", 17},
        {"j.tgz", 17},      {"archive.tar.gz", 1},
        {"ab", 1},          {"", 1},
        {"doc", 10},        {"\xB5\xB5.TXT", 15},
    };
    for (const auto& [name, icon] : cases)
        EXPECT_EQ(GetFileType(name), icon) << name;
}

TEST(ForbiddenCharacterTest, RefusesEachCharacterOfItsSet) {
    const auto gbk = [](unsigned char b) { return IsLeadByteOfCodePage(936, b); };
    EXPECT_EQ(DirectoryNameForbidden.size(), 28u);
    EXPECT_EQ(RenameForbidden.size(), 27u);
    for (char c : DirectoryNameForbidden)
        EXPECT_TRUE(
            HoldsForbiddenCharacter(std::string("a") + c + "b", DirectoryNameForbidden, gbk))
            << c;
    for (const char* allowed : {"new_dir-2.old", "x~y'z", "\xD6\xD0\xCE\xC4", ""})
        EXPECT_FALSE(HoldsForbiddenCharacter(allowed, DirectoryNameForbidden, gbk)) << allowed;
    EXPECT_TRUE(HoldsForbiddenCharacter("a/b", DirectoryNameForbidden, gbk));
    EXPECT_FALSE(HoldsForbiddenCharacter("sub/name.txt", RenameForbidden, gbk));
    EXPECT_TRUE(HoldsForbiddenCharacter("a b", RenameForbidden, gbk));
    EXPECT_FALSE(HoldsForbiddenCharacter(std::string("a\0b", 3), DirectoryNameForbidden, gbk));
}

TEST(ForbiddenCharacterTest, TrailingBytesOfDoubleByteCharactersNeverCount) {
    const auto gbk = [](unsigned char b) { return IsLeadByteOfCodePage(936, b); };
    const auto western = [](unsigned char b) { return IsLeadByteOfCodePage(1252, b); };
    // 東 is 96 7C in code page 936: its second byte is the vertical bar.
    const std::string east = "\x96\x7C";
    EXPECT_FALSE(HoldsForbiddenCharacter(east + "\xBE\xA9", DirectoryNameForbidden, gbk));
    EXPECT_TRUE(HoldsForbiddenCharacter(east, DirectoryNameForbidden, western));
    // After a whole character, an ASCII bar is a bar again; a lone lead byte at the end is
    // a character of its own.
    EXPECT_TRUE(HoldsForbiddenCharacter(east + "|", DirectoryNameForbidden, gbk));
    EXPECT_FALSE(HoldsForbiddenCharacter("ab\x96", DirectoryNameForbidden, gbk));
}

TEST(StrReplaceTest, ReplacesWithoutOverlap) {
    const std::vector<std::vector<std::string>> cases = {
        {"my file 1.txt", " ", "", "myfile1.txt"},
        {"aaaa", "aa", "b", "bb"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "x", "y", "abc"},
        {"abc", "", "y", "abc"},
        {"a.b", ".", "..", "a..b"},
    };
    for (const auto& c : cases) {
        std::string text = c[0];
        StrReplace(text, c[1], c[2]);
        EXPECT_EQ(text, c[3]) << c[0];
    }
}

TEST(NameRulesTest, UploadNamesAndSaveSuggestions) {
    EXPECT_EQ(UploadNameOf("C:\\Users\\me\\my file 1.txt"), "myfile1.txt");
    EXPECT_EQ(UploadNameOf("/home/me/a b.bin"), "ab.bin");
    EXPECT_EQ(UploadNameOf("D:x y"), "xy");
    EXPECT_EQ(UploadNameOf("plain"), "plain");

    const auto gbk = [](unsigned char b) { return IsLeadByteOfCodePage(936, b); };
    EXPECT_EQ(SafeSaveName("..\\..\\evil:a*b?\"<>|/\t\x7F.txt", gbk), ".._.._evil_a_b________.txt");
    EXPECT_EQ(SafeSaveName("\x96\x7C.txt", gbk), "\x96\x7C.txt");
    EXPECT_EQ(SafeSaveName("\x96\x7C.txt", nullptr), "\x96_.txt");
    EXPECT_EQ(SafeSaveName("name with spaces.txt", gbk), "name with spaces.txt");
    // Names Windows would take for a device, for the folder, or for another file.
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> windows = {
        {"CON", "_CON"}, {"nul.txt", "_nul.txt"}, {"Com1.a.b", "_Com1.a.b"}, {"lpt9 .c", "_lpt9 .c"},
        {"COM0", "COM0"}, {"CONSOLE", "CONSOLE"}, {".", "_"}, {"..", "__"}, {"a.txt. ", "a.txt__"}};
    // clang-format on
    for (const auto& [name, safe] : windows)
        EXPECT_EQ(SafeSaveName(name, gbk), safe) << name;
}

TEST(NameRulesTest, FoundOnlyAfterTheFirstCharacter) {
    EXPECT_TRUE(FoundAfterStart("550 Error: x", "Error:"));
    EXPECT_FALSE(FoundAfterStart("Error: x", "Error:"));
    EXPECT_FALSE(FoundAfterStart("550 error: x", "Error:"));
    // Only the first occurrence is looked at.
    EXPECT_FALSE(FoundAfterStart("Error: Error:", "Error:"));
    EXPECT_EQ(MessageText("550 No.\r\n"), "550 No.");
    EXPECT_EQ(MessageText("550-a\r\n550 b\r\n"), "550-a\r\n550 b");
    std::string lines;
    for (int i = 0; i < 21; ++i)
        lines += "550-line\r\n";
    EXPECT_EQ(MessageText(lines), lines.substr(0, 200) + "...");
    EXPECT_EQ(MessageText(lines.substr(0, 200)), lines.substr(0, 198)); // 20 lines stay whole
}

TEST(NameRulesTest, ErrorReportEndsWithAFullStopAfterACharacterSortingAfterIt) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Permission denied\r\n", "Permission denied."},
        {"Done.", "Done."},
        {"Why?", "Why?."}, // "?" sorts after "."
        {"Stop!", "Stop!"},
        {"Code 550", "Code 550."},
        {"Error:", "Error:."},
        {"\xB1\xA8\xB8\xE6", "\xB1\xA8\xB8\xE6."}, // ends in a double-byte character
        {"\r\n", ""},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(ErrorReportText(message), shown) << message;
}

TEST(TraceTextTest, SplitsBlocksIntoLines) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(TraceLines("230-a\r\n b\r\n230 c\r\n"), (Lines{"230-a", " b", "230 c"}));
    EXPECT_EQ(TraceLines("\r\n"), (Lines{""}));
    EXPECT_EQ(TraceLines("220 x\r"), (Lines{"220 x"}));
    EXPECT_EQ(TraceLines("\n"), (Lines{"\n"}));
    EXPECT_EQ(TraceLines("a\nb\rc"), (Lines{"a\nb", "c"}));
    EXPECT_EQ(TraceLines("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(TraceLines(""), Lines{});
    for (const char* password : {"PASS x\r\n", "pass", "Pass\r\n", "pAsS word"})
        EXPECT_TRUE(IsPasswordBlock(password)) << password;
    for (const char* other : {"USER x\r\n", "PAS", " PASS", "230 PASS ok"})
        EXPECT_FALSE(IsPasswordBlock(other)) << other;
}

TEST(ProgressTextTest, SpeedAndRemainingTime) {
    EXPECT_EQ(FormatFloatPattern("0.00 KB/s", 0.0, "."), "0.00 KB/s");
    EXPECT_EQ(FormatFloatPattern("0.00 KB/s", 1234.567, ","), "1234,57 KB/s");
    EXPECT_EQ(FormatFloatPattern("0.00 KB/s", 0.005, "."), "0.01 KB/s");
    EXPECT_EQ(FormatRemaining("%2d:%2d:%2d", 3723), " 1: 2: 3");
    EXPECT_EQ(FormatRemaining("%2d:%2d:%2d", 0), " 0: 0: 0");
    EXPECT_EQ(FormatRemaining("%2d:%2d:%2d", 100 * 3600 + 59), "100: 0:59");
    // Formatted once a second; a new transfer's pattern is not answered from the old one.
    TRemainingPattern remaining;
    remaining.Prepare("%2d:%2d:%2d");
    std::string line;
    for (int64_t seconds : {3723, 3723, 59})
        remaining.AppendTo(line, seconds);
    EXPECT_EQ(line, " 1: 2: 3 1: 2: 3 0: 0:59");
    remaining.Prepare("%2dh%2dm%2ds");
    line.clear();
    remaining.AppendTo(line, 59);
    EXPECT_EQ(line, " 0h 0m59s");
}

TEST(ProgressTextTest, ScalesLargeCountsIntoTheBarsRange) {
    TProgressScale scale;
    EXPECT_EQ(scale.SetMaximum(1000), 1000);
    EXPECT_EQ(scale.Position(500), 500);
    EXPECT_EQ(scale.SetMaximum(-1), -1);
    EXPECT_EQ(scale.SetMaximum(0), 0);
    EXPECT_EQ(scale.Position(4096), 4096);

    const int64_t fiveGiB = int64_t{5} << 30;
    const int32_t top = scale.SetMaximum(fiveGiB);
    EXPECT_GT(top, 0);
    EXPECT_EQ(scale.Position(0), 0);
    EXPECT_EQ(scale.Position(fiveGiB), top);
    EXPECT_NEAR(scale.Position(fiveGiB / 2), top / 2, 1);
    EXPECT_EQ(scale.Position(std::numeric_limits<int64_t>::max()),
              std::numeric_limits<int32_t>::max());
}

} // namespace
} // namespace tavo::controller
