// Lines read here (ls -l style; listings detected by "DSK:" are read the same way):
//   -rw-r--r--    1 0        0        536870912 Dec 09 04:56 big.bin
//   drwxr-xr-x   2 ftp      ftp          4096 Jan 05  2003 pub
//   lrwxrwxrwx   1 root     root            7 Mar 15 10:42 bin -> usr/bin
//   -rw-r--r--   1 ftp          1024 Jan 05  2003 no group column.txt
#include "engine/core/errors.h"
#include "engine/core/text.h"
#include "engine/listing/columns.h"
#include "engine/listing/list_item.h"

#include <array>

namespace tavo::engine {

namespace {

struct TColumn {
    std::string_view Text;
    std::size_t RawEnd = 0; // where the separator after the column stands in the raw line
};

// The first columns of the line, cut at spaces like SplitColumns but without copying, so
// the name can be taken from the raw line with the server's own spacing.
template <std::size_t N>
std::size_t ScanColumns(std::string_view raw, std::array<TColumn, N>& columns) {
    std::size_t count = 0;
    std::size_t pos = 0;
    const std::size_t size = raw.size();
    while (count < N && pos < size) {
        std::size_t cut = pos;
        while (cut < size && raw[cut] != ' ') {
            ++cut;
        }
        const std::string_view piece = TrimBlanks(raw.substr(pos, cut - pos));
        if (!piece.empty()) {
            columns[count++] = {piece, cut};
        }
        pos = cut + 1;
    }
    return count;
}

std::string_view Slice(std::string_view text, std::size_t pos, std::size_t count) {
    return pos < text.size() ? text.substr(pos, count) : std::string_view{};
}

bool StartsWithLetter(std::string_view text) {
    return !text.empty() && UpperAscii(text[0]) >= 'A' && UpperAscii(text[0]) <= 'Z';
}

} // namespace

void TIdFTPListItems::ParseUnixEntryAt(TIdFTPListItem& item, const TLocalDateTime& today) {
    // Blanks at the end belong to the server's padding, not to the name.
    std::string_view raw = item.RawLine();
    while (!raw.empty() && IsBlank(raw.back())) {
        raw.remove_suffix(1);
    }
    std::array<TColumn, 8> columns;
    const std::size_t count = ScanColumns(raw, columns);
    if (count < 8) {
        throw EIdInvalidFTPListingFormat();
    }
    // Some servers leave out the group column; then the month stands where the size
    // would. The name may hold spaces, so more than eight columns still qualify.
    const bool noGroup = StartsWithLetter(columns[4].Text);
    const std::size_t shift = noGroup ? 1 : 0;
    const std::string_view permissions = columns[0].Text;
    const std::string_view owner = noGroup ? std::string_view{} : columns[2].Text;
    const std::string_view group = columns[3 - shift].Text;
    const std::string_view size = columns[4 - shift].Text;
    const TColumn& monthColumn = columns[5 - shift];
    const TColumn& dayColumn = columns[6 - shift];
    const TColumn& stamp = columns[7 - shift];

    const int month = MonthNumber(monthColumn.Text);
    const int day = ParseInt32(dayColumn.Text).value_or(today.Day);
    int year = today.Year;
    int hour = 0;
    int minute = 0;
    if (const std::size_t colon = stamp.Text.find(':'); colon != std::string_view::npos) {
        // ls shows the time instead of the year for entries of the last six months.
        hour = ParseInt32(stamp.Text.substr(0, colon)).value_or(0);
        minute = ParseInt32(stamp.Text.substr(colon + 1)).value_or(0);
        if (month > today.Month) {
            --year;
        }
    } else {
        year = ParseInt32(stamp.Text).value_or(today.Year);
    }
    const auto modifiedAt = TryEncodeDateTime(year, month, day, hour, minute, 0, 999);
    if (!modifiedAt) {
        throw EIdInvalidFTPListingFormat();
    }

    std::string_view name = Slice(raw, stamp.RawEnd + 1, std::string_view::npos);
    if (TrimBlanks(name).empty()) {
        name = {};
    }
    const char kind = UpperAscii(permissions[0]);
    item.EntryKind = kind == 'D' ? ekDirectory : kind == 'L' ? ekSymbolicLink : ekFile;
    std::string_view target;
    if (item.EntryKind == ekSymbolicLink) {
        if (const std::size_t arrow = name.find(" -> "); arrow != std::string_view::npos) {
            target = name.substr(arrow + 4);
            name = name.substr(0, arrow);
        }
    }
    // Every text is a view of the raw line, so the entry keeps spans only.
    item.SetOwnerRights(Slice(permissions, 1, 3));
    item.SetGroupRights(Slice(permissions, 4, 3));
    item.SetOtherRights(Slice(permissions, 7, 3));
    item.LinkCount = ParseInt32(columns[1].Text).value_or(0);
    item.SetOwnerText(owner);
    item.SetGroupText(group);
    item.ByteSize = ParseInt64(size).value_or(0);
    item.ModifiedAt = *modifiedAt;
    item.SetLinkTarget(target);
    item.SetEntryName(name);
}

} // namespace tavo::engine
