// SPDX-License-Identifier: MIT
#include "reader_details.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "console_output.h"
#include "library/backend.h"
#include "sim/hex.h"
#include "utf8_text.h"

namespace tagwright::cli {
namespace {

std::string StatusHex(int status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(status));
    return text;
}

}  // namespace

std::vector<ReaderDetails> LookAtReaders() {
    std::vector<ReaderDetails> all;
    for (const cardhost::ReaderDescription& d : cardhost::DescribeReaders()) {
        all.push_back(
            {d.serial, d.backend, cardhost::sim::ToHex(d.atr, ' '), d.personality, d.status});
    }
    return all;
}

std::optional<std::string> PcscProblem() {
    const char* chosen = std::getenv("CARDHOST_BACKENDS");
    if (chosen == nullptr || std::string_view(chosen).find("pcsc") == std::string_view::npos) {
        return std::nullopt;  // by default PC/SC is left out quietly while its service is down
    }
    bool compiled = false;
    for (const cardhost::BackendKind& kind : cardhost::BackendKinds()) {
        if (kind.name == "pcsc") compiled = kind.make() != nullptr;
    }
    if (!compiled) return "this build has no PC/SC support";
    if (!cardhost::PcscServiceAnswers()) return "the PC/SC service (pcscd) is not running";
    return std::nullopt;
}

std::string DetailsText(const ReaderDetails& details) {
    std::string text = "  backend: " + details.backend + "\n";
    text += "  ATR: " + (details.atrHex.empty() ? std::string("(none)") : details.atrHex) + "\n";
    text += "  personality: " + EscapeForTerminal(details.personality);
    if (details.status != 0) text += "\n  status: " + StatusHex(details.status);
    return text;
}

void AddDetails(Json& reader, const ReaderDetails& details) {
    reader["backend"] = details.backend;
    reader["atr"] = details.atrHex;
    reader["personality"] = details.personality;
    reader["status"] = details.status;
}

}  // namespace tagwright::cli
