#include "engine/listing/listing_text.h"

namespace tavo::engine {

namespace {

template <typename Take> void ForEachKeptLine(std::string_view text, Take take) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line =
            text.substr(start, end == std::string_view::npos ? end : end - start);
        if (line.find_first_not_of(" \t") != std::string_view::npos) {
            take(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
    }
}

} // namespace

std::vector<std::string> SplitListingText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::size_t count = 0;
    ForEachKeptLine(text, [&](std::string_view) { ++count; });
    std::vector<std::string> lines;
    lines.reserve(count);
    ForEachKeptLine(text, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

} // namespace tavo::engine
