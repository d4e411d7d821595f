#pragma once
// Small byte-wise helpers for the engine's 8-bit texts (replies, listings). Texts are in the
// server's code page, so only ASCII letters fold and only ASCII digits count. Header-only:
// the listing parser uses them without linking the connection layer.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
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

// Removes bytes at or below the space character at both ends.
inline std::string Trim(std::string_view text) {
    return std::string(TrimBlanks(text));
}

inline std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = UpperAscii(c);
    return result;
}

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

// A whole decimal number with an optional sign, blanks around it allowed, or `fallback`.
inline std::int64_t ToInt64(std::string_view text, std::int64_t fallback) {
    return ParseInt64(TrimBlanks(text)).value_or(fallback);
}

// True when `text` holds CR, LF or NUL.
inline bool HoldsLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace tavo::engine
