// SPDX-License-Identifier: MIT
// Key field texts into password bytes.
#include <gtest/gtest.h>

#include "panels/core/key_rules.h"

namespace tagwright::panels {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(KeyRules, TextToBytesTwoCharactersAtATime) {
    EXPECT_EQ(KeyTextToBytes(""), Bytes{});
    EXPECT_EQ(KeyTextToBytes("7C7C7C7C"), (Bytes{0x7C, 0x7C, 0x7C, 0x7C}));
    EXPECT_EQ(KeyTextToBytes("a1B2"), (Bytes{0xA1, 0xB2}));
    EXPECT_EQ(KeyTextToBytes("1A2"), (Bytes{0x1A, 0x02}));
    // Pasted characters count with their own code, kept to 8 bits: 16 * 'g' + 'h'.
    EXPECT_EQ(KeyTextToBytes("gh"), (Bytes{static_cast<std::uint8_t>(16 * 'g' + 'h')}));
}

TEST(KeyRules, OnlyEightHexDigitsMakeAKey) {
    EXPECT_EQ(KeyFromField("7C7C7C7C"), (tag::Key{0x7C, 0x7C, 0x7C, 0x7C}));
    EXPECT_EQ(KeyFromField("ffffffff"), (tag::Key{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(KeyFromField("0102030405"), (tag::Key{1, 2, 3, 4}));  // longer, set by a program
    EXPECT_FALSE(KeyFromField(""));
    EXPECT_FALSE(KeyFromField("7C7C7C7"));
    EXPECT_FALSE(KeyFromField("7C7C 7C7"));
    EXPECT_FALSE(KeyFromField("password"));
}

}  // namespace
}  // namespace tagwright::panels
