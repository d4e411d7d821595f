#include "engine/core/errors.h"
#include "engine/listing/build_listing.h"
#include "listing_test_support.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tavo::engine {
namespace {

using Lines = std::vector<std::string>;

TListingHooks PinnedToday() {
    TListingHooks hooks;
    hooks.OnCreateFTPList = [](std::unique_ptr<TIdFTPListItems>& list) {
        list = std::make_unique<TIdFTPListItems>();
        list->SetTodayProvider(testing::FixedToday);
    };
    return hooks;
}

std::vector<std::string> Names(const TIdFTPListItems& list) {
    std::vector<std::string> names;
    for (const TIdFTPListItem& item : list) {
        names.emplace_back(item.EntryName());
    }
    return names;
}

TEST(BuildListing, UnixListingDropsTotalAndBlankLines) {
    const auto list = BuildListingItems({"total 12", "drwxr-xr-x 2 ftp ftp 4096 Jan 05 2003 pub",
                                         "", " \t ", "-rw-r--r-- 1 ftp ftp 3 Jan 05 2003 a"},
                                        PinnedToday());
    EXPECT_EQ(list->DetectedFormat, flfUnix);
    EXPECT_EQ(Names(*list), (Lines{"pub", "a"}));
    EXPECT_EQ(list->Items(1).RawLine(), "-rw-r--r-- 1 ftp ftp 3 Jan 05 2003 a");
}

TEST(BuildListing, PyftpdlibListing) {
    const auto list =
        BuildListingItems({"lrwxrwxrwx   1 root     root            3 Dec 09 05:34 link -> sub",
                           "-rw-r--r--   1 root     root            0 Dec 09 05:34 my  file.txt",
                           "-rw-r--r--   1 root     root            0 Jan 05  2003 old.bin",
                           "drwxr-xr-x   2 root     root         4096 Dec 09 05:34 sub"},
                          PinnedToday());
    EXPECT_EQ(Names(*list), (Lines{"link", "my  file.txt", "old.bin", "sub"}));
    EXPECT_EQ(list->Items(0).LinkTarget(), "sub");
    EXPECT_EQ((std::vector<int>{list->Items(0).EntryKind, list->Items(1).EntryKind,
                                list->Items(3).EntryKind}),
              (std::vector<int>{ekSymbolicLink, ekFile, ekDirectory}));
    testing::ExpectSameTime(list->Items(3).ModifiedAt, testing::At(2025, 12, 9, 5, 34, 999));
}

TEST(BuildListing, BadLineLosesOnlyItself) {
    const auto list = BuildListingItems({"-rw-r--r-- 1 ftp ftp 1 Jan 05 2003 before",
                                         "-rw-r--r-- 1 ftp ftp 1 1\xE6\x9C\x88 05 2003 foreign",
                                         "garbage", "-rw-r--r-- 1 ftp ftp 1 Jan 05 2003 after"},
                                        PinnedToday());
    EXPECT_EQ(Names(*list), (Lines{"before", "after"}));
    EXPECT_EQ(list->SkippedLineCount(), 2);
}

TEST(BuildListing, StickyFirstLineWithoutTotalIsUnix) {
    const auto list = BuildListingItems({"drwxrwxrwt  9 root root 4096 Feb 20 09:00 tmp",
                                         "drwxr-xr-x  2 root root 4096 Feb 20 09:00 usr"},
                                        PinnedToday());
    EXPECT_EQ(list->DetectedFormat, flfUnix);
    EXPECT_EQ(Names(*list), (Lines{"tmp", "usr"}));
}

TEST(BuildListing, DosListingKeepsUnreadableDates) {
    const auto list = BuildListingItems({"03-15-04  10:42AM       <DIR>          Projects",
                                         "13-40-04  10:42AM                 1,234 report.doc"},
                                        PinnedToday());
    EXPECT_EQ(list->DetectedFormat, flfDos);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0).EntryKind, ekDirectory);
    EXPECT_EQ(list->Items(1).ByteSize, 1234);
    EXPECT_EQ(list->Items(1).ModifiedAt, 0);
}

TEST(BuildListing, UnknownFormatGivesEmptyListingNotError) {
    const auto list = BuildListingItems({"readme.txt", "pub"});
    EXPECT_EQ(list->DetectedFormat, flfUnknown);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->SkippedLineCount(), 2);
}

TEST(BuildListing, CheckListFormatCanChooseNamesOnly) {
    TListingHooks hooks;
    std::string seenLine;
    hooks.OnCheckListFormat = [&](const std::string& line, TIdFTPListFormat& format) {
        seenLine = line;
        EXPECT_EQ(format, flfUnknown);
        format = flfNoDetails;
    };
    const auto list = BuildListingItems({" readme.txt\t", "my file"}, hooks);
    EXPECT_EQ(seenLine, " readme.txt\t");
    EXPECT_EQ(list->DetectedFormat, flfNoDetails);
    EXPECT_EQ(Names(*list), (Lines{"readme.txt", "my file"}));
    EXPECT_EQ(list->Items(0).OwnerText(), "????????");
}

TEST(BuildListing, FormatNoneKeepsRawLinesOnly) {
    TListingHooks hooks;
    hooks.OnCheckListFormat = [](const std::string&, TIdFTPListFormat& f) { f = flfNone; };
    const auto list = BuildListingItems({"total 1", "anything"}, hooks);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0).RawLine(), "total 1");
    EXPECT_EQ(list->Items(1).EntryName(), "");
}

TEST(BuildListing, CustomFormatUsesHandlerAndSkipsWhatItRejects) {
    TListingHooks hooks;
    TIdFTPListItems* supplied = nullptr;
    hooks.OnCreateFTPList = [&](std::unique_ptr<TIdFTPListItems>& list) {
        list = std::make_unique<TIdFTPListItems>();
        list->OnParseCustomListFormat = [](TIdFTPListItem& item) {
            if (item.RawLine() == "bad") {
                throw std::runtime_error("rejected");
            }
            item.SetEntryName("custom:" + std::string(item.RawLine()));
        };
        supplied = list.get();
    };
    hooks.OnCheckListFormat = [](const std::string&, TIdFTPListFormat& f) { f = flfCustom; };
    const auto list = BuildListingItems({"one", "bad", "two"}, hooks);
    EXPECT_EQ(list.get(), supplied);
    EXPECT_EQ(Names(*list), (Lines{"custom:one", "custom:two"}));
}

TEST(BuildListing, CustomFormatWithoutHandlerRaisesPerEntry) {
    TIdFTPListItems list;
    TIdFTPListItem item;
    EXPECT_THROW(list.ParseCustomEntry(item), EIdInvalidFTPListingFormat);
    EXPECT_THROW(list.ParseEntry(flfUnknown, item), EIdInvalidFTPListingFormat);
}

TEST(BuildListing, NoLinesLeaveFreshCollection) {
    bool checked = false;
    TListingHooks hooks;
    hooks.OnCheckListFormat = [&](const std::string&, TIdFTPListFormat&) { checked = true; };
    const auto list = BuildListingItems({}, hooks);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->DetectedFormat, flfUnix);
    EXPECT_FALSE(checked);
}

TEST(ListItems, ReparseReplacesEntriesAndIndexIsChecked) {
    TIdFTPListItems list;
    list.SetTodayProvider(testing::FixedToday);
    list.ParseListing({"-rw-r--r-- 1 ftp ftp 1 Jan 05 2003 a", "-rw-r--r-- 1 f f 1 Jan 05 2003 b"});
    list.ParseListing({"-rw-r--r-- 1 ftp ftp 1 Jan 05 2003 c"});
    EXPECT_EQ(Names(list), (Lines{"c"}));
    EXPECT_THROW(list.Items(1), EIdException);
    EXPECT_THROW(list[-1], EIdException);
}

TEST(ListItems, EntriesKeepTheirTextsWhileTheCollectionGrowsAndCopiesOutliveIt) {
    auto list = std::make_unique<TIdFTPListItems>();
    list->SetTodayProvider(testing::FixedToday);
    list->ParseListing(TListingLines{"lrwxrwxrwx 1 own grp 9 Mar 15 10:42 link -> target",
                                     "drwxr-xr-x 2 ftp ftp 4096 Jan 05 2003 pub"});
    // Far past the room the parse reserved, so every entry moves.
    for (int i = 0; i < 1000; ++i) {
        TIdFTPListItem& added = list->Add();
        added.SetRawLine("line " + std::to_string(i));
        added.SetEntryName("name " + std::to_string(i));
    }
    ASSERT_EQ(list->Count(), 1002);
    EXPECT_EQ(list->Items(0).EntryName(), "link");
    EXPECT_EQ(list->Items(0).LinkTarget(), "target");
    EXPECT_EQ(list->Items(1).RawLine(), "drwxr-xr-x 2 ftp ftp 4096 Jan 05 2003 pub");
    EXPECT_EQ(list->Items(501).RawLine(), "line 499");
    EXPECT_EQ(list->Items(1001).EntryName(), "name 999");

    const TIdFTPListItem kept = list->Items(0);
    list.reset();
    EXPECT_EQ(kept.RawLine(), "lrwxrwxrwx 1 own grp 9 Mar 15 10:42 link -> target");
    EXPECT_EQ(kept.EntryName(), "link");
    EXPECT_EQ(kept.OwnerText(), "own");
    EXPECT_EQ(testing::Rights(kept), "rwxrwxrwx");
}

TEST(ListItems, TextsSetByHandStayApart) {
    TIdFTPListItem item;
    item.SetOwnerText("owner");
    item.SetRawLine("raw");
    item.SetGroupText(item.OwnerText());
    item.SetOwnerText("other");
    item.SetEntryName(item.RawLine().substr(1));
    item.SetRawLine("new raw");
    EXPECT_EQ(item.RawLine(), "new raw");
    EXPECT_EQ(item.OwnerText(), "other");
    EXPECT_EQ(item.GroupText(), "owner");
    EXPECT_EQ(item.EntryName(), "aw");
    EXPECT_EQ(item.GroupRights(), "???");
    EXPECT_EQ(item.LinkTarget(), "");
}

TEST(ListItems, AssignCopiesEveryField) {
    TIdFTPListItems list;
    list.SetTodayProvider(testing::FixedToday);
    TIdFTPListItem source;
    source.SetRawLine("lrwxrwxrwx 7 own grp 99 Mar 15 10:42 l -> t");
    list.ParseUnixEntry(source);
    TIdFTPListItem copy;
    copy.Assign(source);
    EXPECT_EQ(copy.ByteSize, 99);
    EXPECT_EQ(copy.LinkCount, 7);
    EXPECT_EQ(copy.RawLine(), source.RawLine());
    EXPECT_EQ(copy.EntryName(), "l");
    EXPECT_EQ(copy.LinkTarget(), "t");
    EXPECT_EQ(copy.OwnerText(), "own");
    EXPECT_EQ(copy.GroupText(), "grp");
    EXPECT_EQ(testing::Rights(copy), "rwxrwxrwx");
    EXPECT_EQ(copy.ModifiedAt, source.ModifiedAt);
    EXPECT_EQ(copy.EntryKind, ekSymbolicLink);
}

} // namespace
} // namespace tavo::engine
