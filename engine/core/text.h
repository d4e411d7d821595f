#pragma once
// Small 8-bit text helpers shared by the engine. Letter case folds ASCII letters only.

#include <cstdint>
#include <string>
#include <string_view>

namespace tavo::engine {

// Removes bytes at or below the space character at both ends.
std::string Trim(std::string_view text);
std::string TrimRight(std::string_view text);
std::string UpperCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// A whole decimal number with optional sign and surrounding blanks, or `fallback`.
int64_t ToInt64(std::string_view text, int64_t fallback);
// True when `text` holds CR, LF or NUL.
bool HoldsLineBreakOrNul(std::string_view text);

} // namespace tavo::engine
