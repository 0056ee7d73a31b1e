// SPDX-License-Identifier: MIT
// The text of a BIFF5 workbook (Excel 5 and 95): bytes in the code page its CODEPAGE record
// names, 1252 when it names none, turned into UTF-8 by iconv.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tagwright::sheets {

class CodePageText {
  public:
    explicit CodePageText(std::uint16_t codePage);
    ~CodePageText();
    CodePageText(const CodePageText&) = delete;
    CodePageText& operator=(const CodePageText&) = delete;
    // False for a code page iconv does not know: the workbook's text cannot be read.
    bool known() const;
    // Appends bytes as UTF-8; what the code page does not have becomes U+FFFD. False once out
    // passes maxBytes.
    bool Append(std::span<const std::uint8_t> bytes, std::string& out, std::size_t maxBytes);

  private:
    void* converter_;  // an iconv_t
};

}  // namespace tagwright::sheets
