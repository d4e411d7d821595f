#include "engine/listing/columns.h"

#include "engine/core/text.h"

#include <array>

namespace tavo::engine {

std::vector<std::string> SplitColumns(std::string_view text, std::string_view separator) {
    std::vector<std::string> columns;
    std::string_view rest = TrimBlanks(text);
    if (separator.empty()) {
        if (!rest.empty()) {
            columns.emplace_back(rest);
        }
        return columns;
    }
    while (true) {
        const std::size_t cut = rest.find(separator);
        const std::string_view piece = TrimBlanks(rest.substr(0, cut));
        if (!piece.empty()) {
            columns.emplace_back(piece);
        }
        if (cut == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(cut + separator.size());
    }
    return columns;
}

int MonthNumber(std::string_view text) {
    static constexpr std::array<std::string_view, 12> months = {
        "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (std::size_t i = 0; i < months.size(); ++i) {
        if (EqualsNoCase(text, months[i])) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

} // namespace tavo::engine
