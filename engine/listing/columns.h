#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavo::engine {

// Cuts the trimmed text at every separator and keeps the pieces that are not blank,
// trimmed; runs of separators give no empty columns. An empty separator gives the whole
// trimmed text as one column.
std::vector<std::string> SplitColumns(std::string_view text, std::string_view separator);

// 1 to 12 for the three-letter English month abbreviations in any letter case, else 0.
int MonthNumber(std::string_view text);

} // namespace tavo::engine
