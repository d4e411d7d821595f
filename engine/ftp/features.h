#pragma once
// The server's extensions as its FEAT reply lists them (RFC 2389).

#include <string>
#include <string_view>
#include <vector>

namespace tavo::engine {

// The features of a FEAT reply given as its code and its lines (as received, codes included):
// one per line between the first and the last, without blanks around it. A reply other than
// 2xx, or a single-line one, lists none.
std::vector<std::string> ParseFeatures(int code, const std::vector<std::string>& lines);

// True when a feature's name (its first word) is `name`, letter case ignored.
bool ListsFeature(const std::vector<std::string>& features, std::string_view name);

} // namespace tavo::engine
