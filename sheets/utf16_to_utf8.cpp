// SPDX-License-Identifier: MIT
#include "utf16_to_utf8.h"

namespace tagwright::sheets {

void Utf16ToUtf8::Code(std::uint32_t code) {
    if (code < 0x80) {
        out_.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out_.push_back(static_cast<char>(0xC0 | code >> 6));
        out_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out_.push_back(static_cast<char>(0xE0 | code >> 12));
        out_.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out_.push_back(static_cast<char>(0xF0 | code >> 18));
        out_.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        out_.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

void Utf16ToUtf8::Unit(std::uint16_t unit) {
    if (unit >= 0xDC00 && unit <= 0xDFFF && high_ != 0) {
        Code(0x10000 + ((high_ - 0xD800u) << 10) + (unit - 0xDC00u));
        high_ = 0;
        return;
    }
    Finish();
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        high_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        Code(0xFFFD);
    } else {
        Code(unit);
    }
}

void Utf16ToUtf8::Finish() {
    if (high_ != 0) Code(0xFFFD);
    high_ = 0;
}

}  // namespace tagwright::sheets
