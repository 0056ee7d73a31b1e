// SPDX-License-Identifier: MIT
// What typing does in the key fields and the row-number field, key press by key press.
#include <gtest/gtest.h>

#include <string>

#include "app/key_filters.h"

namespace tagwright {
namespace {

using app::Verdict;
namespace key = app::key;

// The key code of a printable character as a keyboard sends it: letters by their capital,
// digits by themselves, '-' by its own key (189), space 32.
int KeyCodeOf(char c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c == '-') return 189;
    return c;
}

// Types each character into an edit through the filter; returns what the edit then holds.
template <typename Filter>
std::string Type(Filter& filter, const std::string& keys, std::string field = {}) {
    for (char c : keys) {
        if (app::KeyPress(filter, KeyCodeOf(c), char32_t(c)) == Verdict::Accepted) field += c;
    }
    return field;
}

TEST(HexKeyField, OnlyHexadecimalDigitsTypeInEitherCase) {
    app::HexKeyFilter filter;
    EXPECT_EQ(Type(filter, "a1B2"), "a1B2") << "case is kept";
    EXPECT_EQ(Type(filter, "gx- "), "");
    EXPECT_EQ(Type(filter, "0123456789abcdefABCDEF"), "0123456789abcdefABCDEF");
    EXPECT_EQ(Type(filter, "GHIJKLMNOPQRSTUVWXYZ.,/"), "");
    EXPECT_EQ(app::KeyPress(filter, key::kBackspace, U'\b'), Verdict::Accepted);
    EXPECT_EQ(app::KeyPress(filter, key::kDelete, 0), Verdict::Accepted);
    // Keypad digits type through their characters, whatever their key codes.
    for (char32_t digit = U'0'; digit <= U'9'; ++digit)
        EXPECT_EQ(app::KeyPress(filter, key::kKeypad0 + int(digit - U'0'), digit),
                  Verdict::Accepted);
}

TEST(HexKeyField, MovingKeysAreDeadWithoutCtrlAndEverythingPassesWithIt) {
    app::HexKeyFilter filter;
    for (int k : {key::kLeft, key::kRight, key::kUp, key::kDown, key::kHome, key::kEnd,
                  key::kPageUp, key::kPageDown, key::kInsert, key::kF1})
        EXPECT_EQ(filter.KeyDown(k), Verdict::Refused) << k;

    EXPECT_EQ(filter.KeyDown(key::kControl), Verdict::Accepted);
    EXPECT_TRUE(filter.controlHeld());
    EXPECT_EQ(filter.KeyDown(key::kLeft), Verdict::Accepted) << "Ctrl+Left moves by word";
    EXPECT_EQ(app::KeyPress(filter, 'V', U'\x16'), Verdict::Accepted) << "Ctrl+V pastes";
    EXPECT_EQ(filter.Character(U'x'), Verdict::Accepted);
    filter.KeyUp('V');
    EXPECT_TRUE(filter.controlHeld()) << "only Ctrl's own key-up ends it";
    filter.KeyUp(key::kControl);
    EXPECT_FALSE(filter.controlHeld());
    EXPECT_EQ(filter.KeyDown(key::kHome), Verdict::Refused);
    EXPECT_EQ(Type(filter, "x1"), "1");
}

TEST(HexKeyField, ACtrlReleasedElsewhereLeavesTheFieldInCtrlMode) {
    // The flag follows the key events this field receives, not the keyboard.
    app::HexKeyFilter filter;
    filter.KeyDown(key::kControl);
    // focus leaves with Ctrl down; the key-up goes to another window
    EXPECT_EQ(Type(filter, "zz"), "zz");
}

TEST(RowNumberField, LettersAreRefusedEverythingElsePasses) {
    app::RowNumberFilter filter;
    EXPECT_EQ(Type(filter, "12a"), "12");
    EXPECT_EQ(Type(filter, "-3"), "-3") << "the sheet refuses it later, not the typing";
    EXPECT_EQ(Type(filter, "abcXYZ"), "");
    EXPECT_EQ(Type(filter, "0123456789 .,"), "0123456789 .,");
    for (char32_t digit = U'0'; digit <= U'9'; ++digit)
        EXPECT_EQ(app::KeyPress(filter, key::kKeypad0 + int(digit - U'0'), digit),
                  Verdict::Accepted)
            << "keypad digits type";
    EXPECT_EQ(app::KeyPress(filter, 'V', U'\x16'), Verdict::Accepted) << "Ctrl+V";
    EXPECT_EQ(app::KeyPress(filter, 'Z', U'\x1a'), Verdict::Accepted) << "Ctrl+Z";
    EXPECT_EQ(app::KeyPress(filter, key::kLeft, 0), Verdict::Accepted);
    EXPECT_EQ(app::KeyPress(filter, key::kBackspace, U'\b'), Verdict::Accepted);
    EXPECT_EQ(app::RowNumberFilter::KeyDown(key::kF1), Verdict::Refused)
        << "the code of F1 is that of 'p'";
}

}  // namespace
}  // namespace tagwright
