// SPDX-License-Identifier: MIT
#include "code_page_text.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace tagwright::sheets {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The iconv name of a Windows code page number as CODEPAGE records give it.
std::string CharsetOf(std::uint16_t codePage) {
    switch (codePage) {
        case 367:
            return "ASCII";
        case 1200:
            return "UTF-16LE";
        case 10000:
        case 32768:  // Apple Roman, as Excel for the Mac writes it
            return "MACINTOSH";
        case 32769:  // "Windows 1252" in Excel 5's own numbering
            return "CP1252";
        default:
            return "CP" + std::to_string(codePage);
    }
}

}  // namespace

CodePageText::CodePageText(std::uint16_t codePage)
    : converter_(iconv_open("UTF-8", CharsetOf(codePage).c_str())) {}

CodePageText::~CodePageText() {
    if (known()) iconv_close(static_cast<iconv_t>(converter_));
}

bool CodePageText::known() const {
    return static_cast<iconv_t>(converter_) != kNoConverter;
}

bool CodePageText::Append(std::span<const std::uint8_t> bytes, std::string& out,
                          std::size_t maxBytes) {
    const auto converter = static_cast<iconv_t>(converter_);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state per text
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    std::size_t inLeft = bytes.size();
    char buffer[256];
    while (inLeft > 0) {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const std::size_t done = iconv(converter, &in, &inLeft, &to, &toLeft);
        out.append(buffer, static_cast<std::size_t>(to - buffer));
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // A byte the code page has no character for, or a sequence cut off at the end.
            out.append("\xEF\xBF\xBD");
            ++in;
            --inLeft;
        }
        if (out.size() > maxBytes) return false;
    }
    return true;
}

}  // namespace tagwright::sheets
