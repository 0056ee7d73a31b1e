// SPDX-License-Identifier: MIT
// What the reader library tells about its readers beyond the 26 entry points (Diag_Report):
// which backend reaches each reader, the card's ATR, how tag commands reach the tag, and why a
// backend offers no readers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <cardhost/diagnostics.h>

namespace tagwright::reader {

struct ReaderDescription {
    std::string serial;
    std::string backend;
    std::string atrHex;       // empty: no card, or none to tell
    std::string personality;  // empty: unknown
    int status = 0;           // why the look failed, as a reader library status
};

struct ReaderReport {
    std::vector<ReaderDescription> readers;
    // Why a backend offers no readers, by the backend's name ("sim", "pcsc").
    std::vector<std::pair<std::string, std::string>> problems;

    std::optional<std::string> ProblemOf(std::string_view backend) const;
};

// The report's lines; lines of unknown kinds and lines with too few fields are skipped.
ReaderReport ParseReaderReport(std::string_view text);

// Asks the bound library for these parts (CARDHOST_REPORT_READERS, CARDHOST_REPORT_PROBLEMS).
// Nothing when no library is bound, it has no Diag_Report, or the call fails.
std::optional<ReaderReport> AskReaderReport(std::uint32_t parts);

}  // namespace tagwright::reader
