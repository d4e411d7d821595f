#pragma once
// Small byte-wise helpers shared by the listing parsers. Listings are 8-bit text in the
// server's code page, so only ASCII letters fold and only ASCII digits count.

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace tavo::engine {

// Trimming drops every control character and space, so a stray CR, tab or NUL around a
// column never becomes part of it.
constexpr bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

constexpr char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

constexpr std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) {
        ++first;
    }
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

// True when text begins with upperPrefix, comparing ASCII letters without case.
constexpr bool StartsWithNoCase(std::string_view text, std::string_view upperPrefix) {
    if (text.size() < upperPrefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < upperPrefix.size(); ++i) {
        if (UpperAscii(text[i]) != upperPrefix[i]) {
            return false;
        }
    }
    return true;
}

constexpr bool EqualsNoCase(std::string_view text, std::string_view upperText) {
    return text.size() == upperText.size() && StartsWithNoCase(text, upperText);
}

// A decimal number with an optional sign and nothing else; empty on anything else or on
// overflow.
inline std::optional<std::int64_t> ParseInt64(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Accumulate downwards so that the most negative value still fits.
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const int digit = c - '0';
        if (value < (lowest + digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == lowest) {
            return std::nullopt;
        }
        value = -value;
    }
    return value;
}

inline std::optional<std::int32_t> ParseInt32(std::string_view text) {
    const auto wide = ParseInt64(text);
    if (!wide || *wide < std::numeric_limits<std::int32_t>::min() ||
        *wide > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*wide);
}

} // namespace tavo::engine
