#pragma once
// The pieces of the progress line and the scaling of 64-bit counts onto the progress bar.

#include <cstdint>
#include <optional>
#include <string>

namespace tavo::controller {

// A float pattern of the form "0.00 KB/s": the digits part ("0", "#", ".") sets the
// decimals, the decimal separator is the given one, and the rest of the pattern follows as
// it stands. Prepared once, it formats without allocating (the progress line is rebuilt for
// every block of a transfer).
class TFloatPattern {
public:
    void Prepare(const std::string& pattern, const std::string& decimalSeparator);
    void AppendTo(std::string& out, double value) const;

private:
    int decimals_ = 0;
    std::string suffix_;
    std::string separator_ = ".";
};

std::string FormatFloatPattern(const std::string& pattern, double value,
                               const std::string& decimalSeparator);

// Hours, minutes and seconds of a count of seconds in a pattern of three "%2d" fields (each
// at least two wide, padded with spaces). Other text of the pattern stays; a field that is
// not "%Nd" is left as it stands.
void AppendRemaining(std::string& out, const std::string& pattern, int64_t seconds);
std::string FormatRemaining(const std::string& pattern, int64_t seconds);

// The remaining time of the progress line, formatted again only when its whole seconds change:
// a fast transfer has hundreds of blocks in each second.
class TRemainingPattern {
public:
    void Prepare(const std::string& pattern);
    void AppendTo(std::string& out, int64_t seconds);

private:
    std::string pattern_;
    std::optional<int64_t> seconds_;
    std::string text_;
};

// Maps 64-bit counts onto the progress bar's 32-bit range, so a bar whose maximum is beyond
// that range still fills from 0 to full. A maximum below 0 (size unknown, less the local size
// when resuming) is given to the bar as it is.
class TProgressScale {
public:
    // Chooses the divisor for the maximum and returns the bar's maximum.
    int32_t SetMaximum(int64_t maximum);
    // The bar's position for a count, within 0 and the 32-bit range.
    int32_t Position(int64_t count) const;

private:
    int64_t divisor_ = 1;
};

} // namespace tavo::controller
