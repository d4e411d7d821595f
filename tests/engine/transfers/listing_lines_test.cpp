// Cutting a received listing into lines: servers end lines with CR LF, bare LF or bare CR,
// may leave the last line unterminated, and some pad the text with NUL bytes. Blank lines
// make no entry and are not kept.

#include "tests/engine/transfers/transfer_support.h"

#include <gmock/gmock.h>

using namespace tavo::engine;
using namespace tavo::engine::transfers;

namespace {

struct SplitCase {
    const char* name;
    std::string text;
    Lines lines;
};

const SplitCase splitCases[] = {
    {"CrLf", "one\r\ntwo\r\n", {"one", "two"}},
    {"BareLf", "one\ntwo\n", {"one", "two"}},
    {"BareCr", "one\rtwo\r", {"one", "two"}},
    {"Mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
    {"NoFinalTerminator", "one\r\nlast", {"one", "last"}},
    {"EmptyLinesDropped", "a\n\nb\r\n\r\nc\n", {"a", "b", "c"}},
    {"CrCrLfIsTwoEnds", "a\r\r\nb", {"a", "b"}},
    {"LfCrIsTwoEnds", "a\n\rb", {"a", "b"}},
    {"BareCrFlood", std::string(300, '\r') + "x\r" + std::string(300, '\r'), {"x"}},
    {"NulEndsTheText", std::string("a\r\nb\0c\r\nd\r\n", 11), {"a", "b"}},
    {"NulFirst", std::string("\0a\r\n", 4), {}},
    {"Empty", "", {}},
    {"OnlyTerminator", "\r\n", {}},
    {"BlankLinesDroppedNamesKeepTheirSpaces",
     "  name with spaces  \r\n\t \r\n",
     {"  name with spaces  "}},
};

class ListingLineSplit : public ScriptedTransferTest,
                         public ::testing::WithParamInterface<SplitCase> {};

TEST_P(ListingLineSplit, WholeAndTrickled) {
    const SplitCase& c = GetParam();
    ScriptLogin(server);
    ScriptDownload(server, true, "LIST", c.text);
    // The same text one byte per packet: a CR and its LF arrive apart.
    server.Expect("PASV")
        .ReplyPasv()
        .AcceptData()
        .Expect("NLST")
        .Send("150 Here comes the directory listing.\r\n")
        .SendDataInPieces(c.text, {1}, 1)
        .CloseData()
        .Send("226 Directory send OK.\r\n");
    Open(true);
    Lines target = {"stale"};
    ftp.FetchListing(&target, "", true);
    EXPECT_EQ(target, c.lines);
    EXPECT_EQ(ftp.ListingLines, c.lines);
    ftp.ListingLines = {"stale"};
    ftp.FetchListing(nullptr, "", false);
    EXPECT_EQ(ftp.ListingLines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(Table, ListingLineSplit, ::testing::ValuesIn(splitCases),
                         [](const ::testing::TestParamInfo<SplitCase>& info) {
                             return std::string(info.param.name);
                         });

// The parsed entries belong to one listing: a new listing replaces them.
TEST_F(ScriptedTransferTest, NewListingReplacesTheParsedEntries) {
    ScriptLogin(server);
    ScriptDownload(server, false, "LIST",
                   "-rw-r--r--    1 0        0              27 Dec 09 04:56 small.txt\r\n"
                   "drwxr-xr-x    2 0        0            4096 Dec 09 04:56 sub\r\n");
    ScriptDownload(server, false, "LIST sub",
                   "-rw-r--r--    1 0        0               5 Dec 09 04:56 nested.txt\r\n");
    Open(false);
    ftp.FetchListing(nullptr, "", true);
    ASSERT_EQ(ftp.ListingItems().Count(), 2);
    EXPECT_EQ(ftp.ListingItems()[1].EntryName(), "sub");
    EXPECT_EQ(ftp.ListingItems()[1].EntryKind, ekDirectory);
    ftp.FetchListing(nullptr, "sub", true);
    ASSERT_EQ(ftp.ListingItems().Count(), 1);
    EXPECT_EQ(ftp.ListingItems()[0].EntryName(), "nested.txt");
    EXPECT_EQ(ftp.ListingItems()[0].ByteSize, 5);
}

// A listing big enough to need many reads, with CR LF pairs falling across read boundaries.
TEST_F(ScriptedTransferTest, LongListingArrivesWhole) {
    std::string text;
    Lines expected;
    for (int i = 0; i < 20000; ++i) {
        std::string line = "-rw-r--r--    1 0 0 " + std::to_string(i) + " Dec 09 04:56 f" +
                           std::to_string(i) + ".txt";
        expected.push_back(line);
        text += line + "\r\n";
    }
    ScriptLogin(server);
    ScriptDownload(server, true, "LIST", text);
    Open(true);
    ftp.RecvBufferSize = 2048;
    ftp.FetchListing(nullptr, "", true);
    EXPECT_EQ(ftp.ListingLines, expected);
    EXPECT_EQ(ftp.ListingItems().Count(), 20000);
}

} // namespace
