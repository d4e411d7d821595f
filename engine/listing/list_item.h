#pragma once
// One entry of a directory listing and the collection a listing turns into.

#include "engine/listing/date_time.h"
#include "engine/listing/listing_text.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavo::engine {

enum TIdDirItemType : std::uint8_t {
    ekDirectory = 0,
    ekFile = 1,
    ekSymbolicLink = 2,
};

enum TIdFTPListFormat : std::uint8_t {
    flfNone = 0,
    flfDos = 1,
    flfUnix = 2,
    flfVax = 3,
    flfNoDetails = 4,
    flfUnknown = 5,
    flfCustom = 6,
};

struct TIdFTPListItem {
    std::int64_t ByteSize = 0;
    std::int32_t LinkCount = 0;
    std::string RawLine;
    std::string EntryName;
    std::string GroupRights = "???";
    std::string GroupText = "????????";
    std::string OwnerRights = "???";
    std::string OwnerText = "????????";
    std::string OtherRights = "???";
    TDateTime ModifiedAt = 0;
    std::string LinkTarget;
    TIdDirItemType EntryKind = ekFile;

    void Assign(const TIdFTPListItem& source) { *this = source; }
};

class TIdFTPListItems {
public:
    using TParseCustomListFormatEvent = std::function<void(TIdFTPListItem& item)>;

    TIdFTPListFormat DetectedFormat = flfUnix;
    TParseCustomListFormatEvent OnParseCustomListFormat;

    TIdFTPListItems() = default;
    virtual ~TIdFTPListItems() = default;
    TIdFTPListItems(const TIdFTPListItems&) = delete;
    TIdFTPListItems& operator=(const TIdFTPListItems&) = delete;

    int Count() const { return static_cast<int>(entries.size()); }
    // Both raise EIdException "List index out of bounds (n)" for an index outside 0..Count-1.
    TIdFTPListItem& Items(int index);
    const TIdFTPListItem& Items(int index) const;
    TIdFTPListItem& operator[](int index) { return Items(index); }
    const TIdFTPListItem& operator[](int index) const { return Items(index); }
    auto begin() const { return entries.begin(); }
    auto end() const { return entries.end(); }

    // The new entry stays valid until the next Add or Clear.
    TIdFTPListItem& Add();
    void Clear();

    // Lines that failed to parse in the last ParseListing; each was left out on its own.
    int SkippedLineCount() const { return skippedLines; }

    // Where the parsers read "today" (the year of a Unix entry that shows a time, the
    // century of a two-digit DOS year). Unset means the machine's local clock.
    void SetTodayProvider(TTodayProvider provider) { todayProvider = std::move(provider); }
    TLocalDateTime Today() const;

    // Fills the collection from the lines in the DetectedFormat. A line that fails to parse
    // is left out; the entries of the other lines stay. Raises nothing for bad lines.
    void ParseListing(const TListingLines& lines);

    // Each fills the entry from its RawLine; a line that cannot be read raises
    // EIdInvalidFTPListingFormat.
    void ParseEntry(TIdFTPListFormat format, TIdFTPListItem& item) const;
    void ParseUnixEntry(TIdFTPListItem& item) const;
    void ParseDosEntry(TIdFTPListItem& item) const;
    void ParseCustomEntry(TIdFTPListItem& item) const;

private:
    void ParseEntryAt(TIdFTPListFormat format, TIdFTPListItem& item,
                      const TLocalDateTime& today) const;
    static void ParseUnixEntryAt(TIdFTPListItem& item, const TLocalDateTime& today);
    static void ParseDosEntryAt(TIdFTPListItem& item, const TLocalDateTime& today);

    std::vector<TIdFTPListItem> entries;
    int skippedLines = 0;
    TTodayProvider todayProvider;
};

} // namespace tavo::engine
