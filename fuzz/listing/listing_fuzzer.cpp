// Feeds whole listings to the parser. The mutator mostly sprinkles the bytes servers and
// broken proxies really inject into listing lines (CR, LF, tab, space, NUL) so that the
// inputs stay close to valid lines instead of drifting into noise.
#include "engine/core/text.h"
#include "engine/listing/build_listing.h"
#include "engine/listing/columns.h"
#include "engine/listing/list_format_detect.h"
#include "engine/listing/listing_text.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using namespace tavo::engine;

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool IsWithin(std::string_view outer, std::string_view inner) {
    return inner.empty() || outer.find(inner) != std::string_view::npos;
}

std::vector<std::string> SplitLines(std::string_view text, bool stripCr) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t cut = text.find('\n');
        std::string_view line = text.substr(0, cut);
        if (stripCr && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        if (cut == std::string_view::npos) {
            break;
        }
        text.remove_prefix(cut + 1);
    }
    return lines;
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
    std::minstd_rand random(seed);
    if (size == 0 || random() % 3 == 0) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    static constexpr uint8_t noise[] = {'\r', '\n', '\t', ' ', '\0'};
    const int inserts = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < inserts && size < maxSize; ++i) {
        const std::size_t at = random() % (size + 1);
        std::memmove(data + at + 1, data + at, size - at);
        data[at] = noise[random() % sizeof noise];
        ++size;
    }
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The first byte also picks how the listing is read, so one corpus covers every path.
    const unsigned selector = data[0];
    const std::vector<std::string> lines = SplitLines(text, (selector & 0x80) != 0);
    static constexpr int years[] = {1, 1970, 2026, 9999};
    const TLocalDateTime today{
        years[(selector >> 3) & 3], 1 + static_cast<int>(selector % 12), 28, 12, 0, 0, 0};

    TListingHooks hooks;
    hooks.OnCreateFTPList = [&](std::unique_ptr<TIdFTPListItems>& list) {
        list = std::make_unique<TIdFTPListItems>();
        list->SetTodayProvider([today] { return today; });
        list->OnParseCustomListFormat = [](TIdFTPListItem& item) {
            if (item.RawLine().find('\0') != std::string_view::npos) {
                throw std::runtime_error("NUL in line");
            }
            item.SetEntryName(item.RawLine());
        };
    };
    static constexpr TIdFTPListFormat overrides[] = {flfNone,      flfDos,    flfVax,
                                                     flfNoDetails, flfCustom, flfUnknown};
    const unsigned mode = (selector >> 5) & 3;
    if (mode == 3) {
        hooks.OnCheckListFormat = [&](const std::string&, TIdFTPListFormat& format) {
            format = overrides[size % std::size(overrides)];
        };
    }
    const auto list = BuildListingItems(TListingLines(lines), hooks);

    Check(list->Count() + list->SkippedLineCount() <= static_cast<int>(lines.size()));
    const TIdFTPListFormat format = list->DetectedFormat;
    for (const TIdFTPListItem& item : *list) {
        Check(!item.RawLine().empty());
        Check(std::isfinite(item.ModifiedAt));
        Check(item.ModifiedAt >= -693594.0 && item.ModifiedAt < 2958466.0);
        if (format == flfUnix || format == flfVax) {
            Check(IsWithin(item.RawLine(), item.EntryName()));
            Check(IsWithin(item.RawLine(), item.LinkTarget()));
            Check(IsWithin(item.RawLine(), item.OwnerText()));
            Check(DecodeDateTime(item.ModifiedAt).Millisecond == 999);
            Check(item.EntryKind <= ekSymbolicLink);
        } else if (format == flfDos) {
            Check(IsWithin(item.RawLine(), item.EntryName()));
            Check(item.EntryKind == ekFile || item.ByteSize == 0);
        } else if (format == flfNoDetails || format == flfCustom) {
            Check(IsWithin(item.RawLine(), item.EntryName()));
        }
    }
    for (const std::string& line : lines) {
        for (const std::string& column : SplitColumns(line, " ")) {
            Check(!column.empty() && !IsBlank(column.front()) && !IsBlank(column.back()));
        }
        const int month = MonthNumber(line);
        Check(month >= 0 && month <= 12);
        Check(DetectListFormat(line, false) == flfNoDetails);
    }
    const TListingLines kept = TListingLines::FromText(std::string(text));
    std::size_t index = 0;
    for (const std::string_view line : kept) {
        Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos);
        Check(line.find_first_not_of(" \t") != std::string_view::npos);
        Check(IsWithin(std::string(text), std::string(line)));
        Check(kept[index++] == line);
    }
    Check(index == kept.size());
    return 0;
}
