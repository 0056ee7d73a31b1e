// SPDX-License-Identifier: MIT
#include "xstring.h"

namespace tagwright::sheets {
namespace {

constexpr std::size_t kEscapeLength = 7;  // _xHHHH_

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Whether text (not empty, at most an escape long) can still grow into an escape.
bool BeginsEscape(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool fits = i == 0   ? c == '_'
                          : i == 1 ? c == 'x'
                          : i < 6  ? HexValue(c) >= 0
                                   : c == '_';
        if (!fits) return false;
    }
    return true;
}

}  // namespace

void XstringDecoder::Literal(std::string_view text) {
    units_.Finish();
    out_.append(text);
}

void XstringDecoder::Step(char c) {
    if (pending_.empty() && c != '_') {
        // The common case: plain text goes straight through.
        units_.Finish();
        out_.push_back(c);
        return;
    }
    pending_.push_back(c);
    while (!pending_.empty() && !BeginsEscape(pending_)) {
        // Not an escape after all: its first character is text, and the rest may begin one.
        Literal(std::string_view(pending_).substr(0, 1));
        pending_.erase(0, 1);
    }
    if (pending_.size() == kEscapeLength) {
        unsigned unit = 0;
        for (std::size_t i = 2; i < 6; ++i)
            unit = unit * 16 + static_cast<unsigned>(HexValue(pending_[i]));
        units_.Unit(static_cast<std::uint16_t>(unit));
        pending_.clear();
    }
}

void XstringDecoder::Append(std::string_view piece) {
    for (char c : piece)
        Step(c);
}

void XstringDecoder::Finish() {
    Literal(pending_);
    pending_.clear();
    units_.Finish();
}

}  // namespace tagwright::sheets
