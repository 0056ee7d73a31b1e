// SPDX-License-Identifier: MIT
// What may be typed into the key fields (hexadecimal digits) and the row-number field (no
// letters), as small state machines over key-down, key-up and character events. The widgets
// ask before the edit handles a key; a refused key changes nothing.
//
// Key codes are the virtual-key numbers below; characters are code points.
#pragma once

namespace tagwright::app {

namespace key {
inline constexpr int kBackspace = 8, kControl = 17, kPageUp = 33, kPageDown = 34, kEnd = 35,
                     kHome = 36, kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kInsert = 45,
                     kDelete = 46;
// Digit keys are '0'..'9' (48-57), letter keys 'A'..'Z' (65-90), keypad digits 96-105, F1-F12
// 112-123.
inline constexpr int kKeypad0 = 96, kF1 = 112;
}  // namespace key

enum class Verdict { Accepted, Refused };

// The Original Key and New Key fields.
class HexKeyFilter {
  public:
    Verdict KeyDown(int keyCode);
    void KeyUp(int keyCode);
    Verdict Character(char32_t character);

    // Held between a Ctrl key-down and a Ctrl key-up that this field received.
    bool controlHeld() const { return controlHeld_; }

  private:
    bool controlHeld_ = false;
};

// The row-number field: letters A-Z and a-z are refused as key-downs and as characters.
class RowNumberFilter {
  public:
    static Verdict KeyDown(int keyCode);
    static Verdict Character(char32_t character);
};

// A toolkit that delivers one event per key press (key code and the text it types): the key-down
// is always seen, so that Ctrl is followed; when the press types a character (Backspace and
// Ctrl combinations type control characters) the character decides, otherwise the key-down. That
// keeps every effect of the two-message rules: hexadecimal digits and Backspace type, keypad
// digits type as their characters, arrows and Home are dead without Ctrl, Ctrl+V pastes in both
// fields. `typed` is 0 when the press types nothing (arrows, Delete, F-keys, Ctrl alone).
template <typename Filter>
Verdict KeyPress(Filter& filter, int keyCode, char32_t typed) {
    const Verdict down = filter.KeyDown(keyCode);
    return typed != 0 ? filter.Character(typed) : down;
}

}  // namespace tagwright::app
