#pragma once
// One entry of a directory listing and the collection a listing turns into.

#include "engine/listing/date_time.h"
#include "engine/listing/listing_text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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

// One entry. A listing of hundreds of thousands of lines makes as many entries, so an entry
// keeps no string of its own: its texts are spans of its raw line, which for an entry parsed
// by its collection stays in the listing's line store (the collection holds that store for as
// long as it lives). Text set by hand, and every copy of an entry, gets a buffer of the
// entry's own, so a copy stays valid after its collection has gone; a moved entry keeps
// referring where the original did.
class TIdFTPListItem {
public:
    std::int64_t ByteSize = 0;
    TDateTime ModifiedAt = 0;
    std::int32_t LinkCount = 0;
    TIdDirItemType EntryKind = ekFile;

    TIdFTPListItem() = default;
    TIdFTPListItem(const TIdFTPListItem& source);
    TIdFTPListItem(TIdFTPListItem&& source) noexcept;
    TIdFTPListItem& operator=(const TIdFTPListItem& source);
    TIdFTPListItem& operator=(TIdFTPListItem&& source) noexcept;
    ~TIdFTPListItem() = default;

    // The views stay valid until the entry's texts are set again or the entry goes.
    std::string_view RawLine() const { return {text_, rawSize_}; }
    std::string_view EntryName() const { return Text(EntryNameText); }
    std::string_view GroupRights() const { return Text(GroupRightsText); }
    std::string_view GroupText() const { return Text(GroupTextText); }
    std::string_view OwnerRights() const { return Text(OwnerRightsText); }
    std::string_view OwnerText() const { return Text(OwnerTextText); }
    std::string_view OtherRights() const { return Text(OtherRightsText); }
    std::string_view LinkTarget() const { return Text(LinkTargetText); }
    // The name as the server sent it, where EntryName holds it converted for the caller
    // (a server that speaks UTF-8); otherwise EntryName itself.
    std::string_view ServerName() const {
        return spans_[ServerNameText].Size == Unset ? EntryName() : Text(ServerNameText);
    }

    // Each keeps the other texts as they are; a text may be a view of this entry's own.
    void SetRawLine(std::string_view text);
    void SetEntryName(std::string_view text) { SetText(EntryNameText, text); }
    void SetGroupRights(std::string_view text) { SetText(GroupRightsText, text); }
    void SetGroupText(std::string_view text) { SetText(GroupTextText, text); }
    void SetOwnerRights(std::string_view text) { SetText(OwnerRightsText, text); }
    void SetOwnerText(std::string_view text) { SetText(OwnerTextText, text); }
    void SetOtherRights(std::string_view text) { SetText(OtherRightsText, text); }
    void SetLinkTarget(std::string_view text) { SetText(LinkTargetText, text); }
    void SetServerName(std::string_view text) { SetText(ServerNameText, text); }

    void Assign(const TIdFTPListItem& source) { *this = source; }

private:
    friend class TIdFTPListItems;

    enum TTextField : std::uint8_t {
        EntryNameText,
        GroupRightsText,
        GroupTextText,
        OwnerRightsText,
        OwnerTextText,
        OtherRightsText,
        LinkTargetText,
        ServerNameText,
        TextFieldCount,
    };
    struct TSpan {
        std::uint32_t At;
        std::uint32_t Size; // Unset: the field's initial text
    };
    static constexpr std::uint32_t Unset = 0xFFFFFFFF;
    using TTexts = std::array<std::optional<std::string_view>, TextFieldCount>;

    // For the collection: the line lies in a store that outlives the entry; nothing is copied.
    void ReferToRawLine(std::string_view line);
    std::string_view Text(TTextField field) const;
    void SetText(TTextField field, std::string_view text);
    bool WithinRawLine(std::string_view text) const;
    TTexts CurrentTexts() const;
    // Copies the raw line and the texts into a new buffer of the entry's own.
    void Rebuild(std::string_view raw, const TTexts& texts);

    const char* text_ = nullptr; // the raw line, in the store or in own_
    std::unique_ptr<char[]> own_;
    std::uint32_t rawSize_ = 0;
    std::array<TSpan, TextFieldCount> spans_ = {
        {{0, 0}, {0, Unset}, {0, Unset}, {0, Unset}, {0, Unset}, {0, Unset}, {0, 0}, {0, Unset}}};
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
    // The text of the lines the entries were parsed from; they refer into it.
    std::shared_ptr<const std::string> lineStore;
    int skippedLines = 0;
    TTodayProvider todayProvider;
};

} // namespace tavo::engine
