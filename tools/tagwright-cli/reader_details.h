// SPDX-License-Identifier: MIT
// What `readers --verbose` adds to a reader's serial text: the backend that reaches it, the
// card's ATR and how tag commands reach the tag. The reader library's entry points cannot say
// this; the backends, linked in here as well, can.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console_output.h"

namespace tagwright::cli {

struct ReaderDetails {
    std::string serial;
    std::string backend;
    std::string atrHex;       // empty: no card, or none to tell
    std::string personality;  // empty: unknown
    int status = 0;           // why the look failed, as a reader library status
};

std::vector<ReaderDetails> LookAtReaders();

// Why PC/SC readers cannot be listed, when CARDHOST_BACKENDS names the PC/SC backend and its
// service does not answer; nothing otherwise.
std::optional<std::string> PcscProblem();

std::string DetailsText(const ReaderDetails& details);
// The same as fields of a reader's JSON object.
void AddDetails(Json& reader, const ReaderDetails& details);

}  // namespace tagwright::cli
