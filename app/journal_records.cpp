// SPDX-License-Identifier: MIT
#include "journal_records.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "journal_csv.h"

namespace tagwright::app {
namespace {

// No record comes near this (a path, a tag's message, a failure line): anything longer is
// damage, and is not kept in memory while it lasts.
constexpr std::size_t kMaxRecordBytes = 16u << 10;

std::optional<int> RowNumber(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoi(text);
}

// 2026-01-02T03:04:05.006Z, as every record begins.
bool LooksLikeTime(const std::string& cell) {
    constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:dd.dddZ";
    if (cell.size() != kPattern.size()) return false;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(cell[i])) != 0;
        if (kPattern[i] == 'd' ? !digit : cell[i] != kPattern[i]) return false;
    }
    return true;
}

std::size_t LineEnds(std::string_view bytes) {
    return std::size_t(std::count(bytes.begin(), bytes.end(), '\n'));
}

}  // namespace

const std::string& JournalRecord::operator[](std::string_view column) const {
    static const std::string empty;
    const auto& columns = *columns_;
    for (std::size_t i = 0; i < columns.size() && i < cells_.size(); ++i) {
        if (columns[i] == column) return cells_[i];
    }
    return empty;
}

void JournalParser::Feed(std::string_view bytes) {
    if (refused_) return;
    if (skipping_) {
        const auto end = bytes.find('\n');
        if (end == std::string_view::npos) return;
        skipping_ = false;
        line_ = skippingLine_ + 1;
        bytes.remove_prefix(end + 1);
    }
    pending_.append(bytes);
    Drain(false);
}

void JournalParser::End() {
    if (refused_) return;
    if (skipping_) {
        problems_.push_back("its last record is cut short and was left out");
        skipping_ = false;
        return;
    }
    Drain(true);
    pending_.clear();
}

void JournalParser::Accept(std::vector<std::string> cells) {
    if (!header_) {
        if (cells.empty() || cells.front() != kJournalColumns.front()) {
            problems_.push_back("the first line is not the journal's header");
            refused_ = true;
            return;
        }
        header_ = std::make_shared<const std::vector<std::string>>(std::move(cells));
        return;
    }
    take_(JournalRecord(header_, std::move(cells)));
}

void JournalParser::LeaveOut(std::size_t& start, bool atEnd, const char* why) {
    const std::size_t end = pending_.find('\n', start);
    if (end == std::string::npos && atEnd) {
        problems_.push_back("its last record is cut short and was left out");
        start = pending_.size();
        return;
    }
    problems_.push_back("the record at line " + std::to_string(line_) + " is " + why +
                        " and was left out");
    if (end == std::string::npos) {
        // Damage longer than any record: dropped as it comes, up to the next line start.
        skipping_ = true;
        skippingLine_ = line_;
        start = pending_.size();
        return;
    }
    ++line_;
    start = end + 1;
}

void JournalParser::Drain(bool atEnd) {
    std::size_t start = 0;
    while (!refused_ && !skipping_ && start < pending_.size()) {
        const std::string_view rest = std::string_view(pending_).substr(start);
        CsvRecord record = ParseCsvRecord(rest, atEnd, kMaxRecordBytes);
        using Status = CsvRecord::Status;
        if (record.status == Status::Empty || record.status == Status::NeedMore) break;
        if (record.status == Status::TooLong) {
            LeaveOut(start, atEnd, "too long");
            continue;
        }
        if (record.status == Status::Malformed) {
            LeaveOut(start, atEnd, "not well formed");
            continue;
        }
        if (record.status == Status::Unended) {
            LeaveOut(start, atEnd, "cut short");
            continue;
        }
        const bool blank = record.cells.size() == 1 && record.cells[0].empty();
        const bool fits = !header_ || (record.cells.size() == header_->size() &&
                                       LooksLikeTime(record.cells.front()));
        if (!blank && !fits) {
            // Likely a torn record and what it swallowed: only its first line is left out.
            LeaveOut(start, atEnd, "damaged");
            continue;
        }
        line_ += LineEnds(rest.substr(0, record.length));
        start += record.length;
        if (!blank) Accept(std::move(record.cells));
    }
    pending_.erase(0, start);
}

std::vector<JournalRecord> ParseJournal(std::string_view text, std::string& problem) {
    std::vector<JournalRecord> records;
    JournalParser parser([&](const JournalRecord& record) { records.push_back(record); });
    parser.Feed(text);
    parser.End();
    problem.clear();
    for (const auto& each : parser.problems())
        problem += (problem.empty() ? "" : "; ") + each;
    return records;
}

JournalStream::JournalStream(JournalFile journal, std::vector<std::filesystem::path> files,
                             JournalParser::Take take)
    : journal_(std::move(journal)), files_(std::move(files)), take_(std::move(take)) {
    if (std::string error; !journal_.Trusted(error)) {
        problems_.push_back(error);
        files_.clear();
    }
}

JournalStream::~JournalStream() {
    Close();
}

void JournalStream::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    parser_.reset();
}

bool JournalStream::Step() {
    while (fd_ < 0) {
        if (next_ >= files_.size()) return false;
        std::string error;
        fd_ = journal_.OpenToRead(files_[next_++], error);
        if (fd_ < 0) {
            problems_.push_back(error);
        } else {
            parser_.emplace(take_);
        }
    }
    constexpr std::size_t kPiece = 64u << 10;
    buffer_.resize(kPiece);
    const std::filesystem::path& file = files_[next_ - 1];
    ssize_t n = 0;
    do {
        n = ::read(fd_, buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        problems_.push_back(file.string() + ": " + std::strerror(errno));
        Close();
    } else if (n == 0) {
        parser_->End();
        for (const auto& problem : parser_->problems())
            problems_.push_back(file.string() + ": " + problem);
        Close();
    } else {
        parser_->Feed(std::string_view(buffer_.data(), std::size_t(n)));
    }
    return true;
}

void ReadJournal(const JournalFile& journal, const JournalParser::Take& take,
                 std::vector<std::string>& problems) {
    JournalStream stream(journal, journal.Files(), take);
    while (stream.Step()) {
    }
    problems.insert(problems.end(), stream.problems().begin(), stream.problems().end());
}

std::vector<JournalRecord> LoadJournal(const JournalFile& journal,
                                       std::vector<std::string>& problems) {
    std::vector<JournalRecord> all;
    ReadJournal(
        journal, [&](const JournalRecord& record) { all.push_back(record); }, problems);
    return all;
}

void BatchProgress::Count(const JournalRecord& record) {
    // An erased tag holds no row any more, whichever batch it had one of.
    if (record["operation"] == "erase" && record["result"].starts_with("success")) {
        uids.erase(record["uid"]);
        return;
    }
    if (record["batch_sha256"] != sha256 || record["operation"] != "write") return;
    ++records;
    if (!record["result"].starts_with("success")) return;
    const auto row = RowNumber(record["row"]);
    if (!row) return;
    rows.insert(*row);
    uids[record["uid"]] = *row;
    if (!lastRow || *row > *lastRow) lastRow = *row;
}

}  // namespace tagwright::app
