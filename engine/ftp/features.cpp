#include "engine/ftp/features.h"

#include "engine/core/text.h"

namespace tavo::engine {

std::vector<std::string> ParseFeatures(int code, const std::vector<std::string>& lines) {
    std::vector<std::string> features;
    if (code / 100 != 2 || lines.size() < 3)
        return features;
    const std::string prefix = lines.front().substr(0, 3);
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        std::string_view line = lines[i];
        // Some servers repeat the code on each feature line ("211-MDTM") although RFC 2389
        // section 3.2 has a space there; no feature name starts with a digit.
        if (line.size() > 3 && line.substr(0, 3) == prefix && (line[3] == '-' || line[3] == ' '))
            line.remove_prefix(4);
        line = TrimBlanks(line);
        if (!line.empty())
            features.emplace_back(line);
    }
    return features;
}

bool ListsFeature(const std::vector<std::string>& features, std::string_view name) {
    for (const std::string& feature : features) {
        const std::string_view word = std::string_view(feature).substr(0, feature.find(' '));
        if (EqualsIgnoreCase(word, name))
            return true;
    }
    return false;
}

} // namespace tavo::engine
