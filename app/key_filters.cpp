// SPDX-License-Identifier: MIT
#include "key_filters.h"

namespace tagwright::app {

namespace {

bool Between(long code, long low, long high) {
    return code >= low && code <= high;
}

}  // namespace

Verdict HexKeyFilter::KeyDown(int keyCode) {
    if (keyCode == key::kControl) {
        controlHeld_ = true;
        return Verdict::Accepted;
    }
    if (controlHeld_) return Verdict::Accepted;  // Ctrl combinations: clipboard, word moves
    // Digit keys, letter keys A-F, keypad 1-6 (the codes of a-f), Delete. Arrows, Home, End,
    // Page Up/Down and Insert are dead without Ctrl.
    const bool passes = Between(keyCode, '0', '9') || Between(keyCode, 'A', 'F') ||
                        Between(keyCode, 'a', 'f') || keyCode == key::kDelete;
    return passes ? Verdict::Accepted : Verdict::Refused;
}

void HexKeyFilter::KeyUp(int keyCode) {
    if (keyCode == key::kControl) controlHeld_ = false;
}

Verdict HexKeyFilter::Character(char32_t character) {
    if (controlHeld_) return Verdict::Accepted;
    const long c = long(character);
    const bool passes = Between(c, '0', '9') || Between(c, 'a', 'f') || Between(c, 'A', 'F') ||
                        c == key::kBackspace;
    return passes ? Verdict::Accepted : Verdict::Refused;
}

Verdict RowNumberFilter::KeyDown(int keyCode) {
    return Character(char32_t(keyCode));
}

Verdict RowNumberFilter::Character(char32_t character) {
    const long c = long(character);
    return Between(c, 'A', 'Z') || Between(c, 'a', 'z') ? Verdict::Refused : Verdict::Accepted;
}

}  // namespace tagwright::app
