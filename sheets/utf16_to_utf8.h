// SPDX-License-Identifier: MIT
// UTF-16 code units, one at a time, appended to a UTF-8 text: the .xls readers' two-byte
// strings and the _xHHHH_ escapes of .xlsx text both arrive this way.
#pragma once

#include <cstdint>
#include <string>

namespace tagwright::sheets {

// A surrogate without its partner becomes U+FFFD.
class Utf16ToUtf8 {
  public:
    explicit Utf16ToUtf8(std::string& out) : out_(out) {}
    void Unit(std::uint16_t unit);
    // The text ends (or something other than a code unit follows): a waiting high surrogate
    // becomes U+FFFD.
    void Finish();

  private:
    void Code(std::uint32_t code);
    std::string& out_;
    std::uint16_t high_ = 0;  // a high surrogate waiting for its low one
};

}  // namespace tagwright::sheets
