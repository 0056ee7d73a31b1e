// SPDX-License-Identifier: MIT
// Checks bytes that arrive piece by piece for well-formed UTF-8 with no NUL: no overlong forms,
// no surrogates, nothing past U+10FFFF, no sequence cut short at the end.
#pragma once

#include <cstdint>

namespace tagwright::sheets {

class Utf8Check {
  public:
    bool Next(std::uint8_t b) {
        if (left_ == 0) {
            if (b == 0) return false;
            if (b < 0x80) return true;
            if ((b & 0xE0) == 0xC0) {
                Begin(b & 0x1F, 1, 0x80);
            } else if ((b & 0xF0) == 0xE0) {
                Begin(b & 0x0F, 2, 0x800);
            } else if ((b & 0xF8) == 0xF0) {
                Begin(b & 0x07, 3, 0x10000);
            } else {
                return false;
            }
            return true;
        }
        if ((b & 0xC0) != 0x80) return false;
        code_ = code_ << 6 | (b & 0x3Fu);
        if (--left_ > 0) return true;
        return code_ >= min_ && code_ <= 0x10FFFF && (code_ < 0xD800 || code_ > 0xDFFF);
    }
    // At the end of the text: no sequence may be left open.
    bool Complete() const { return left_ == 0; }

  private:
    void Begin(std::uint32_t bits, int left, std::uint32_t min) {
        code_ = bits;
        left_ = left;
        min_ = min;
    }
    std::uint32_t code_ = 0;
    std::uint32_t min_ = 0;
    int left_ = 0;
};

}  // namespace tagwright::sheets
