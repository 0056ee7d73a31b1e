#include "reader_details.h"

#include <cstdio>

#include "console_output.h"
#include "src/backend.h"
#include "utf8_text.h"

namespace tagwright::cli {
namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char digits[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X ", b);
        text += digits;
    }
    if (!text.empty()) text.pop_back();
    return text;
}

std::string StatusHex(int status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(status));
    return text;
}

}  // namespace

std::vector<ReaderDetails> LookAtReaders() {
    std::vector<ReaderDetails> all;
    for (const cardhost::ReaderDescription& d : cardhost::DescribeReaders()) {
        all.push_back({d.serial, d.backend, Hex(d.atr), d.personality, d.status});
    }
    return all;
}

std::string DetailsText(const ReaderDetails& details) {
    std::string text = "  backend: " + details.backend + "\n";
    text += "  ATR: " + (details.atrHex.empty() ? std::string("(none)") : details.atrHex) + "\n";
    text += "  personality: " + EscapeForTerminal(details.personality);
    if (details.status != 0) text += "\n  status: " + StatusHex(details.status);
    return text;
}

std::string DetailsJson(const ReaderDetails& details) {
    return "\"backend\":" + JsonString(details.backend) + ",\"atr\":" + JsonString(details.atrHex) +
           ",\"personality\":" + JsonString(details.personality) +
           ",\"status\":" + std::to_string(details.status);
}

}  // namespace tagwright::cli
