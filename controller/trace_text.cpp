#include "controller/trace_text.h"

namespace tavo::controller {

bool IsPasswordBlock(const std::string& data) {
    static constexpr char word[] = "PASS";
    if (data.size() < 4)
        return false;
    for (size_t i = 0; i < 4; ++i) {
        char c = data[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != word[i])
            return false;
    }
    return true;
}

std::vector<std::string> TraceLines(const std::string& data) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < data.size()) {
        const size_t cr = data.find('\r', from);
        if (cr == std::string::npos) {
            lines.push_back(data.substr(from));
            break;
        }
        lines.push_back(data.substr(from, cr - from));
        from = cr + 1;
        if (from < data.size() && data[from] == '\n')
            ++from;
    }
    return lines;
}

} // namespace tavo::controller
