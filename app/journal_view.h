// SPDX-License-Identifier: MIT
// What a view of the journal shows: the records of one day, of one batch file, or since a time,
// read a piece at a time so that a long journal never holds its reader up, and kept packed so
// that a day of 100,000 records costs little more than its file. Shared by the window's
// journal dialog and tagwright-cli journal.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal_file.h"
#include "journal_records.h"

namespace tagwright::app {

// Which records are shown. Unset parts let every record through.
struct JournalFilter {
    std::optional<std::string> day;          // YYYY-MM-DD (UTC): that day's records
    std::optional<std::string> since;        // a time as records carry it, or a day: from it on
    std::optional<std::string> batchSha256;  // the records of one batch file
    bool Matches(const JournalRecord& record) const;
};

// The records a view holds, every cell in the journal's column order (kJournalColumns).
class JournalRows {
  public:
    void Add(const JournalRecord& record);
    std::size_t size() const { return rowEnds_.size(); }
    std::size_t columns() const { return kJournalColumns.size(); }
    std::string_view Cell(std::size_t row, std::size_t column) const;
    std::vector<std::string> Row(std::size_t row) const;

  private:
    std::string bytes_;                  // every cell, one after the other
    std::vector<std::size_t> cellEnds_;  // where each cell ends in bytes_, row after row
    std::vector<std::size_t> rowEnds_;   // one past each row's last cell in cellEnds_
};

// One view of the journal as it is read.
class JournalView {
  public:
    // `batchFile`, when not empty, names the batch file whose records are shown (from every
    // day); the filter's batch hash is then its SHA-256.
    JournalView(JournalFile journal, JournalFilter filter, std::filesystem::path batchFile = {});

    // Reads on until everything is read or `budget` has passed (one piece at least); false once
    // everything is read.
    bool ReadFor(std::chrono::steady_clock::duration budget);
    bool done() const { return !stream_ || stream_->done(); }
    const JournalRows& rows() const { return rows_; }
    // Why some or all of it cannot be shown: a journal without a place or not to be trusted, no
    // file for the day, a batch file that cannot be read, a file that cannot be read, damaged
    // records left out.
    std::vector<std::string> problems() const;

  private:
    JournalFilter filter_;
    JournalRows rows_;
    std::vector<std::string> problems_;  // found before reading
    std::unique_ptr<JournalStream> stream_;
};

// The rows as CSV, the journal's header first and each row as the journal holds it, into
// `file`, which is replaced whole (never left half written) and made 0600 like the journal.
// False, with the reason, when it cannot be written.
bool ExportJournalCsv(const JournalRows& rows, const std::filesystem::path& file,
                      std::string& error);

}  // namespace tagwright::app
