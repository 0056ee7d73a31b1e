// SPDX-License-Identifier: MIT
#include "reader_details.h"

#include <cstdio>

#include "utf8_text.h"

namespace tagwright::cli {
namespace {

std::string StatusHex(int status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(status));
    return text;
}

}  // namespace

std::string DetailsText(const reader::ReaderDescription& details) {
    std::string text = "  backend: " + EscapeForTerminal(details.backend) + "\n";
    text += "  ATR: " +
            (details.atrHex.empty() ? std::string("(none)") : EscapeForTerminal(details.atrHex)) +
            "\n";
    text += "  personality: " + EscapeForTerminal(details.personality);
    if (details.status != 0) text += "\n  status: " + StatusHex(details.status);
    return text;
}

void AddDetails(Json& reader, const reader::ReaderDescription& details) {
    reader["backend"] = details.backend;
    reader["atr"] = details.atrHex;
    reader["personality"] = details.personality;
    reader["status"] = details.status;
}

}  // namespace tagwright::cli
