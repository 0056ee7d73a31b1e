// SPDX-License-Identifier: MIT
// Reading the journal back: its records by column name, and what they say about one batch.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal_file.h"

namespace tagwright::app {

// One record: cell by column name (a column the file lacks reads as empty).
class JournalRecord {
  public:
    explicit JournalRecord(std::map<std::string, std::string> cells) : cells_(std::move(cells)) {}
    const std::string& operator[](const std::string& column) const;
    const std::map<std::string, std::string>& cells() const { return cells_; }

  private:
    std::map<std::string, std::string> cells_;
};

// The records of one journal file's text. A last record cut short (the process died while it
// was written) is left out and said in `problem`; a file that is not a journal at all yields
// nothing and says why.
std::vector<JournalRecord> ParseJournal(std::string_view text, std::string& problem);

// Every record of every file of the journal, oldest first; problems as "file: what".
std::vector<JournalRecord> LoadJournal(const JournalFile& journal,
                                       std::vector<std::string>& problems);

// What the journal says about one batch, identified by its file's SHA-256.
struct BatchProgress {
    std::optional<int> lastRow;       // the highest row written successfully
    std::map<std::string, int> uids;  // UID (14 hex digits) -> the row it received
    std::size_t rowsWritten = 0;      // distinct rows written successfully
    std::size_t records = 0;          // records of the batch, failures included
};
BatchProgress ProgressOf(const std::vector<JournalRecord>& records, std::string_view batchSha256);

}  // namespace tagwright::app
