// SPDX-License-Identifier: MIT
// Where the journal lives and how a record reaches the disk: one CSV file per day (UTC) in the
// operator's data folder, or one file the command line names. Every record is appended and
// synced before Append returns, so a crash or power cut loses at most the tag in flight.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace tagwright::app {

// The columns, in file order. Readers look cells up by these names, not by position.
extern const std::vector<std::string> kJournalColumns;

class JournalFile {
  public:
    // $XDG_DATA_HOME/Tagwright/journal, or ~/.local/share/Tagwright/journal.
    static std::filesystem::path DefaultFolder();
    static JournalFile Daily(std::filesystem::path folder) { return {std::move(folder), true}; }
    static JournalFile Single(std::filesystem::path file) { return {std::move(file), false}; }

    // The file a record made at `when` goes to: <folder>/journal-YYYY-MM-DD.csv for a daily one.
    std::filesystem::path FileFor(std::chrono::system_clock::time_point when) const;
    // Every file of the journal that exists, oldest first.
    std::vector<std::filesystem::path> Files() const;

    // Appends one record (the header first into a new or empty file) and syncs it. False, with
    // the reason in `error`, when it could not be written completely.
    bool Append(const std::vector<std::string>& cells, std::chrono::system_clock::time_point when,
                std::string& error) const;

  private:
    JournalFile(std::filesystem::path where, bool daily)
        : where_(std::move(where)), daily_(daily) {}
    std::filesystem::path where_;
    bool daily_;
};

}  // namespace tagwright::app
