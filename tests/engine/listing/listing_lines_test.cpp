// The line store a listing is kept in: lines found by number must be the lines a pass
// yields, also where a line's length takes several bytes and across the noted places.

#include "engine/listing/listing_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavo::engine {
namespace {

TEST(ListingLines, ByNumberInOrderAndCopiedAgree) {
    std::vector<std::string> expected;
    std::string text;
    const char* ends[] = {"\r\n", "\n", "\r", "\r\n \t\r\n"};
    for (std::size_t i = 0; i < 200; ++i) {
        // Lengths from 1 to some 40,000 bytes: one, two and three length bytes.
        expected.push_back(std::string(1 + i * i, static_cast<char>('a' + i % 26)));
        text += expected.back() + ends[i % 4];
    }
    const TListingLines lines = TListingLines::FromText(text);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = expected.size(); i-- > 0;) {
        EXPECT_EQ(lines[i], expected[i]) << i;
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lines.ToVector(), expected);
    EXPECT_EQ(TListingLines(expected), lines);
}

} // namespace
} // namespace tavo::engine
