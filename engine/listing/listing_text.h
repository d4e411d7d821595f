#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavo::engine {

// The lines of a listing as it arrived: lines end at CR LF, CR or LF, a line after the last
// terminator counts, and a NUL ends the text (some servers pad with it). Blank lines (spaces
// and tabs only) make no entry and are left out, so a server sending nothing but line ends
// costs no memory per line; the list has exactly the capacity it needs.
std::vector<std::string> SplitListingText(std::string_view text);

} // namespace tavo::engine
