#include "engine/core/text.h"

#include <charconv>

namespace tavo::engine {

namespace {
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
} // namespace

std::string Trim(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string TrimRight(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(0, end));
}

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = Upper(c);
    return result;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

int64_t ToInt64(std::string_view text, int64_t fallback) {
    std::string trimmed = Trim(text);
    std::string_view digits = trimmed;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    if (digits.empty())
        return fallback;
    int64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return fallback;
    return value;
}

bool HoldsLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace tavo::engine
