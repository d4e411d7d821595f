// Lines read here (IIS in its MS-DOS style):
//   03-15-04  10:42AM       <DIR>          Projects
//   03-15-04  10:42AM                 1,234 report.doc
//   12-09-2026  10:15AM  <DIR>  sub
#include "engine/core/text.h"
#include "engine/listing/list_format_detect.h"
#include "engine/listing/list_item.h"

#include <optional>
#include <string>

namespace tavo::engine {

namespace {

std::string_view Slice(std::string_view text, std::size_t pos, std::size_t count) {
    return pos < text.size() ? text.substr(pos, count) : std::string_view{};
}

// Splits off the first space-separated field; the rest comes back trimmed.
std::string_view TakeField(std::string_view& rest) {
    const std::size_t cut = rest.find(' ');
    const std::string_view field = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view{} : TrimBlanks(rest.substr(cut));
    return field;
}

std::optional<int> ReadDigits(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || value > 99'999) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// "10:42AM", "9:05PM" or "22:05". With a marker the hour runs 1 to 12: 12AM is midnight,
// 12PM noon.
bool ReadDosTime(std::string_view text, int& hour, int& minute) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string_view minutes = text.substr(colon + 1);
    int marker = 0; // 1 AM, 2 PM
    if (minutes.size() > 2 && EqualsNoCase(minutes.substr(minutes.size() - 2), "AM")) {
        marker = 1;
    } else if (minutes.size() > 2 && EqualsNoCase(minutes.substr(minutes.size() - 2), "PM")) {
        marker = 2;
    }
    if (marker != 0) {
        minutes.remove_suffix(2);
    }
    const auto h = ReadDigits(text.substr(0, colon));
    const auto m = ReadDigits(minutes);
    if (!h || !m) {
        return false;
    }
    hour = *h;
    minute = *m;
    if (marker != 0) {
        if (hour < 1 || hour > 12) {
            return false;
        }
        hour = hour % 12 + (marker == 2 ? 12 : 0);
    }
    return true;
}

// MM-DD-YY or MM-DD-YYYY with the time. Two-digit years fall in the hundred years starting
// fifty years before the current one. Zero when the text cannot be read.
TDateTime ReadDosDateTime(std::string_view raw, std::size_t yearDigits, std::string_view time,
                          int currentYear) {
    const auto month = ReadDigits(TrimBlanks(Slice(raw, 0, 2)));
    const auto day = ReadDigits(TrimBlanks(Slice(raw, 3, 2)));
    const auto yearText = ReadDigits(TrimBlanks(Slice(raw, 6, yearDigits)));
    int hour = 0;
    int minute = 0;
    if (!month || !day || !yearText || !ReadDosTime(time, hour, minute)) {
        return 0;
    }
    int year = *yearText;
    if (yearDigits == 2) {
        const int windowStart = currentYear - 50;
        year = windowStart - windowStart % 100 + *yearText;
        if (year < windowStart) {
            year += 100;
        }
    }
    return TryEncodeDateTime(year, *month, *day, hour, minute, 0, 0).value_or(0);
}

} // namespace

void TIdFTPListItems::ParseDosEntryAt(TIdFTPListItem& item, const TLocalDateTime& today) {
    const std::string_view raw = item.RawLine();
    const std::size_t yearDigits = HasFourDigitYear(raw) ? 4 : 2;
    std::string_view rest = TrimBlanks(Slice(raw, 6 + yearDigits, std::string_view::npos));
    const std::string_view time = TakeField(rest);
    std::string size(TakeField(rest));
    std::erase(size, ',');
    if (EqualsNoCase(size, "<DIR>")) {
        item.EntryKind = ekDirectory;
        item.ByteSize = 0;
    } else {
        item.EntryKind = ekFile;
        item.ByteSize = ParseInt64(size).value_or(0);
    }
    item.ModifiedAt = ReadDosDateTime(raw, yearDigits, time, today.Year);
    item.SetEntryName(rest);
}

} // namespace tavo::engine
