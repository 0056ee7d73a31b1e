// SPDX-License-Identifier: MIT
// Where the journal lives and how a record reaches the disk: one CSV file per day (UTC) in the
// operator's private data folder, or one file the command line names. Every record is appended
// and synced before Append returns, so a crash or power cut loses at most the tag in flight.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tagwright::app {

// The columns, in file order. Readers look cells up by these names, not by position.
extern const std::vector<std::string> kJournalColumns;

class JournalFile {
  public:
    // <private data folder>/journal (see PrivateDataFolder); empty, with the reason in
    // `problem` when given, when there is no private folder.
    static std::filesystem::path DefaultFolder(std::string* problem = nullptr);
    // The daily files in the default folder; a journal that cannot be written (problem() says
    // why) when there is none.
    static JournalFile Default();
    static JournalFile Daily(std::filesystem::path folder) { return {std::move(folder), true}; }
    static JournalFile Single(std::filesystem::path file) { return {std::move(file), false}; }

    // The file a record made at `when` goes to: <folder>/journal-YYYY-MM-DD.csv for a daily one.
    std::filesystem::path FileFor(std::chrono::system_clock::time_point when) const;
    // Every file of the journal that exists, oldest first.
    std::vector<std::filesystem::path> Files() const;
    // Why no record can be kept at all (no private folder); empty when one may be.
    const std::string& problem() const { return problem_; }
    // Whether records can go where this journal lives: the daily folder made private (0700,
    // this user's), or the single file's folder made. False, with the reason, when not.
    bool Ready(std::string& error) const;
    // Whether what it holds can be trusted: a daily folder that exists must be this user's, or
    // another user could make a batch look written. Creates nothing.
    bool Trusted(std::string& error) const;

    // Appends one record (the header first into a new or empty file) and syncs it. A file whose
    // last record was torn gets its line end first. New files are made 0600. False, with the
    // reason in `error`, when it could not be written completely; nothing of it is left behind
    // then unless another writer appended meanwhile.
    bool Append(const std::vector<std::string>& cells, std::chrono::system_clock::time_point when,
                std::string& error) const;
    // The bytes of one of its files, piece by piece. False, with the reason, when it cannot be
    // read or is no regular file (a FIFO would block, a device never end).
    bool Read(const std::filesystem::path& file, const std::function<void(std::string_view)>& piece,
              std::string& error) const;
    // One of its files opened for reading as Read opens it, for a reader that takes its pieces
    // at its own pace: the descriptor (the caller closes it), or -1 with the reason.
    int OpenToRead(const std::filesystem::path& file, std::string& error) const;
    // The folder of the daily files, or the single file.
    const std::filesystem::path& where() const { return where_; }
    bool daily() const { return daily_; }

  private:
    JournalFile(std::filesystem::path where, bool daily)
        : where_(std::move(where)), daily_(daily) {}
    int Open(const std::filesystem::path& file, int flags, std::string& error) const;

    std::filesystem::path where_;
    bool daily_;
    std::string problem_;
};

}  // namespace tagwright::app
