// SPDX-License-Identifier: MIT
// Reading the journal back: its records by column name, one at a time as the file is read (a
// journal of any size costs the memory of one record), and what they say about one batch.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "journal_file.h"

namespace tagwright::app {

// One record: cell by column name (a column the file lacks reads as empty).
class JournalRecord {
  public:
    using Columns = std::shared_ptr<const std::vector<std::string>>;
    JournalRecord(Columns columns, std::vector<std::string> cells)
        : columns_(std::move(columns)), cells_(std::move(cells)) {}
    const std::string& operator[](std::string_view column) const;
    // The file's columns and this record's cells, in file order.
    const std::vector<std::string>& columns() const { return *columns_; }
    const std::vector<std::string>& cells() const { return cells_; }

  private:
    Columns columns_;
    std::vector<std::string> cells_;
};

// The records of one journal file, from its bytes as they come. A record that is damaged (torn
// by a crash or a full disk, cut inside a quoted cell, or not of the header's width) is left
// out and said in problems(); reading goes on at the next line start, where the next record
// begins, since every append starts on a line of its own.
class JournalParser {
  public:
    using Take = std::function<void(const JournalRecord&)>;
    explicit JournalParser(Take take) : take_(std::move(take)) {}
    void Feed(std::string_view bytes);
    // The file ended.
    void End();
    const std::vector<std::string>& problems() const { return problems_; }

  private:
    void Drain(bool atEnd);
    // Leaves out the record pending_ holds from `start` on and finds the next line start.
    void LeaveOut(std::size_t& start, bool atEnd, const char* why);
    void Accept(std::vector<std::string> cells);

    Take take_;
    std::string pending_;    // the bytes not yet made into records
    std::size_t line_ = 1;   // the line of the file that pending_ starts at
    bool skipping_ = false;  // in a damaged line too long to keep: up to its end
    std::size_t skippingLine_ = 0;
    bool refused_ = false;  // not a journal: the rest is not read
    JournalRecord::Columns header_;
    std::vector<std::string> problems_;
};

// The records of a journal's files, read a piece at a time when its reader asks for more: a
// window shows the first records of a long journal at once and stays responsive while the rest
// is read. Each file is opened, checked and parsed as ReadJournal does it.
class JournalStream {
  public:
    JournalStream(JournalFile journal, std::vector<std::filesystem::path> files,
                  JournalParser::Take take);
    ~JournalStream();
    JournalStream(const JournalStream&) = delete;
    JournalStream& operator=(const JournalStream&) = delete;

    // Reads the next piece (64 KiB at most) and hands on the records it completes. False when
    // everything had been read.
    bool Step();
    bool done() const { return fd_ < 0 && next_ >= files_.size(); }
    // As "file: what"; a file that could not be opened or read, or a journal not to be trusted,
    // by its reason alone.
    const std::vector<std::string>& problems() const { return problems_; }

  private:
    void Close();

    JournalFile journal_;
    std::vector<std::filesystem::path> files_;
    std::size_t next_ = 0;  // the next file to open
    int fd_ = -1;           // the file being read, files_[next_ - 1]
    JournalParser::Take take_;
    std::optional<JournalParser> parser_;
    std::string buffer_;
    std::vector<std::string> problems_;
};

// The records of one journal file's text. A damaged record is left out and said in `problem`
// (all problems, joined by "; "); a file that is not a journal at all yields nothing and says
// why.
std::vector<JournalRecord> ParseJournal(std::string_view text, std::string& problem);

// Every record of every file of the journal, oldest first, handed to `take` one at a time;
// problems as "file: what".
void ReadJournal(const JournalFile& journal, const JournalParser::Take& take,
                 std::vector<std::string>& problems);
// The same, all kept: for journals known to be small.
std::vector<JournalRecord> LoadJournal(const JournalFile& journal,
                                       std::vector<std::string>& problems);

// What the journal says about one batch, identified by its file's SHA-256.
struct BatchProgress {
    explicit BatchProgress(std::string batchSha256) : sha256(std::move(batchSha256)) {}
    // Takes one record into account: records of other batches change nothing, but a tag
    // erased since holds its row no more.
    void Count(const JournalRecord& record);

    std::string sha256;
    std::optional<int> lastRow;       // the highest row written successfully
    std::map<std::string, int> uids;  // UID (14 hex digits) -> the row it received
    std::set<int> rows;               // the rows written successfully
    std::size_t records = 0;          // records of the batch, failures included
};

}  // namespace tagwright::app
