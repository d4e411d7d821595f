#include "controller/progress_text.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace tavo::controller {

void TFloatPattern::Prepare(const std::string& pattern, const std::string& decimalSeparator) {
    const size_t digitsEnd = pattern.find_first_not_of("0#.,");
    const std::string digits = pattern.substr(0, digitsEnd);
    const size_t point = digits.find('.');
    decimals_ = point == std::string::npos ? 0 : static_cast<int>(digits.size() - point - 1);
    suffix_ = digitsEnd == std::string::npos ? std::string() : pattern.substr(digitsEnd);
    separator_ = decimalSeparator;
}

void TFloatPattern::AppendTo(std::string& out, double value) const {
    // to_chars, unlike printf, ignores the process's locale: the separator is ours to place.
    char text[400];
    auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals_);
    if (error != std::errc()) {
        out += '0';
    } else {
        const char* last = end;
        const char* dot = std::find(static_cast<const char*>(text), last, '.');
        out.append(static_cast<const char*>(text), dot);
        if (dot != last) {
            out += separator_;
            out.append(dot + 1, last);
        }
    }
    out += suffix_;
}

std::string FormatFloatPattern(const std::string& pattern, double value,
                               const std::string& decimalSeparator) {
    TFloatPattern format;
    format.Prepare(pattern, decimalSeparator);
    std::string text;
    format.AppendTo(text, value);
    return text;
}

void AppendRemaining(std::string& out, const std::string& pattern, int64_t seconds) {
    const int64_t fields[3] = {seconds / 3600, (seconds / 60) % 60, seconds % 60};
    int next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && next < 3) {
            size_t j = i + 1;
            int width = 0;
            while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9')
                width = width * 10 + (pattern[j++] - '0');
            if (j < pattern.size() && pattern[j] == 'd') {
                char digits[24];
                const auto [end, error] =
                    std::to_chars(digits, digits + sizeof digits, fields[next++]);
                const int length = static_cast<int>(end - digits);
                if (length < width)
                    out.append(static_cast<size_t>(width - length), ' ');
                out.append(digits, end);
                i = j;
                continue;
            }
        }
        out += pattern[i];
    }
}

std::string FormatRemaining(const std::string& pattern, int64_t seconds) {
    std::string text;
    AppendRemaining(text, pattern, seconds);
    return text;
}

void TRemainingPattern::Prepare(const std::string& pattern) {
    pattern_ = pattern;
    seconds_.reset();
}

void TRemainingPattern::AppendTo(std::string& out, int64_t seconds) {
    if (seconds_ != seconds) {
        text_.clear();
        AppendRemaining(text_, pattern_, seconds);
        seconds_ = seconds;
    }
    out += text_;
}

int32_t TProgressScale::SetMaximum(int64_t maximum) {
    constexpr int64_t top = std::numeric_limits<int32_t>::max();
    divisor_ = maximum > top ? maximum / top + 1 : 1;
    return static_cast<int32_t>(std::max<int64_t>(maximum, std::numeric_limits<int32_t>::min()) /
                                divisor_);
}

int32_t TProgressScale::Position(int64_t count) const {
    constexpr int64_t top = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp<int64_t>(count / divisor_, 0, top));
}

} // namespace tavo::controller
