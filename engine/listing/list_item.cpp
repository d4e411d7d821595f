#include "engine/listing/list_item.h"

#include "engine/core/errors.h"
#include "engine/core/text.h"

#include <algorithm>
#include <new>

namespace tavo::engine {

namespace {

[[noreturn]] void RaiseIndexOutOfBounds(int index) {
    throw EIdException("List index out of bounds (" + std::to_string(index) + ")");
}

bool IsEmptyLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

bool NeedsToday(TIdFTPListFormat format) {
    return format == flfUnix || format == flfVax || format == flfDos;
}

// Room for the entries the lines can give. A detailed line holds a date and a size at least,
// so short lines are not counted: an entry takes hundreds of bytes, and a server sending
// millions of one-byte lines must not make the list ask for that much per line up front.
std::size_t ExpectedEntries(TIdFTPListFormat format, const TListingLines& lines) {
    if (!NeedsToday(format)) {
        return lines.size();
    }
    constexpr std::size_t ShortestDetailedLine = 20;
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(),
                      [](std::string_view line) { return line.size() >= ShortestDetailedLine; }));
}

} // namespace

TIdFTPListItem& TIdFTPListItems::Items(int index) {
    if (index < 0 || index >= Count()) {
        RaiseIndexOutOfBounds(index);
    }
    return entries[static_cast<std::size_t>(index)];
}

const TIdFTPListItem& TIdFTPListItems::Items(int index) const {
    if (index < 0 || index >= Count()) {
        RaiseIndexOutOfBounds(index);
    }
    return entries[static_cast<std::size_t>(index)];
}

TIdFTPListItem& TIdFTPListItems::Add() {
    return entries.emplace_back();
}

void TIdFTPListItems::Clear() {
    entries.clear();
    lineStore.reset();
    skippedLines = 0;
}

TLocalDateTime TIdFTPListItems::Today() const {
    return todayProvider ? todayProvider() : SystemLocalNow();
}

void TIdFTPListItems::ParseListing(const TListingLines& lines) {
    Clear();
    const TIdFTPListFormat format = DetectedFormat;
    auto first = lines.begin();
    if (format == flfUnix && !lines.empty() && StartsWithNoCase(lines.front(), "TOTAL")) {
        ++first;
    }
    if (format == flfUnknown) {
        // Every line would fail; a server's millions of lines cost no entry and no exception.
        skippedLines = static_cast<int>(std::count_if(
            first, lines.end(), [](std::string_view line) { return !IsEmptyLine(line); }));
        return;
    }
    entries.reserve(ExpectedEntries(format, lines));
    // The entries' texts stay in the lines' own buffer.
    lineStore = lines.Store();
    const TLocalDateTime today = NeedsToday(format) ? Today() : TLocalDateTime{};
    for (auto at = first; at != lines.end(); ++at) {
        const std::string_view line = *at;
        if (IsEmptyLine(line)) {
            continue;
        }
        TIdFTPListItem& item = entries.emplace_back();
        try {
            item.ReferToRawLine(line);
            if (format != flfNone) {
                ParseEntryAt(format, item, today);
            }
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            // One unreadable line (a foreign month name, a stray banner) must not cost
            // the user the rest of the directory.
            entries.pop_back();
            ++skippedLines;
        }
    }
}

void TIdFTPListItems::ParseEntry(TIdFTPListFormat format, TIdFTPListItem& item) const {
    ParseEntryAt(format, item, NeedsToday(format) ? Today() : TLocalDateTime{});
}

void TIdFTPListItems::ParseEntryAt(TIdFTPListFormat format, TIdFTPListItem& item,
                                   const TLocalDateTime& today) const {
    switch (format) {
    case flfDos:
        ParseDosEntryAt(item, today);
        break;
    case flfUnix:
    case flfVax:
        ParseUnixEntryAt(item, today);
        break;
    case flfNoDetails:
        item.SetEntryName(TrimBlanks(item.RawLine()));
        break;
    case flfCustom:
        ParseCustomEntry(item);
        break;
    case flfNone:
        break;
    case flfUnknown:
    default:
        throw EIdInvalidFTPListingFormat();
    }
}

void TIdFTPListItems::ParseUnixEntry(TIdFTPListItem& item) const {
    ParseUnixEntryAt(item, Today());
}

void TIdFTPListItems::ParseDosEntry(TIdFTPListItem& item) const {
    ParseDosEntryAt(item, Today());
}

void TIdFTPListItems::ParseCustomEntry(TIdFTPListItem& item) const {
    if (!OnParseCustomListFormat) {
        throw EIdInvalidFTPListingFormat();
    }
    OnParseCustomListFormat(item);
}

} // namespace tavo::engine
