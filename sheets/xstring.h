// SPDX-License-Identifier: MIT
// Text of an .xlsx part as Office Open XML means it (ST_Xstring): "_xHHHH_" stands for the UTF-16
// code unit HHHH, so that characters XML cannot carry (and CR, TAB, as Excel writes them) survive;
// "_x005F_" is the underscore that keeps a literal "_xHHHH_" from being read as one. A pair of
// escapes can make one character outside the BMP; a surrogate alone becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "utf16_to_utf8.h"

namespace tagwright::sheets {

// Decodes one element's text as the parser hands it on, in pieces that may cut an escape.
class XstringDecoder {
  public:
    explicit XstringDecoder(std::string& out) : out_(out), units_(out) {}
    void Append(std::string_view piece);
    // At the end of the element: what began like an escape but did not end as one is text.
    void Finish();

  private:
    void Step(char c);
    void Literal(std::string_view text);

    std::string& out_;
    Utf16ToUtf8 units_;
    std::string pending_;  // the start of what may be an escape: "_", "_x", up to "_xHHHH"
};

}  // namespace tagwright::sheets
