// SPDX-License-Identifier: MIT
#include "journal_records.h"

#include <fstream>
#include <set>
#include <sstream>

#include "journal_csv.h"

namespace tagwright::app {
namespace {

// A journal file larger than this is not read whole into memory.
constexpr std::uintmax_t kMaxJournalFile = 512u << 20;

std::optional<int> RowNumber(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoi(text);
}

}  // namespace

const std::string& JournalRecord::operator[](const std::string& column) const {
    static const std::string empty;
    const auto found = cells_.find(column);
    return found == cells_.end() ? empty : found->second;
}

std::vector<JournalRecord> ParseJournal(std::string_view text, std::string& problem) {
    auto rows = ParseCsv(text);
    if (!rows) {
        // A record cut short ends without its line end: read up to the last complete line.
        const std::size_t lastEnd = text.rfind("\r\n");
        if (lastEnd != std::string_view::npos) rows = ParseCsv(text.substr(0, lastEnd + 2));
        if (!rows) {
            problem = "not a journal in CSV form";
            return {};
        }
        problem = "its last record is cut short and was left out";
    }
    if (rows->empty()) return {};
    const std::vector<std::string>& header = rows->front();
    if (header.empty() || header.front() != kJournalColumns.front()) {
        problem = "the first line is not the journal's header";
        return {};
    }
    std::vector<JournalRecord> records;
    for (std::size_t r = 1; r < rows->size(); ++r) {
        const auto& row = (*rows)[r];
        std::map<std::string, std::string> cells;
        for (std::size_t c = 0; c < row.size() && c < header.size(); ++c)
            cells[header[c]] = row[c];
        records.emplace_back(std::move(cells));
    }
    return records;
}

std::vector<JournalRecord> LoadJournal(const JournalFile& journal,
                                       std::vector<std::string>& problems) {
    std::vector<JournalRecord> all;
    for (const auto& file : journal.Files()) {
        std::error_code error;
        if (std::filesystem::file_size(file, error) > kMaxJournalFile || error) {
            problems.push_back(file.string() + ": too large or unreadable");
            continue;
        }
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        std::string problem;
        auto records = ParseJournal(text.str(), problem);
        if (!problem.empty()) problems.push_back(file.string() + ": " + problem);
        for (auto& record : records)
            all.push_back(std::move(record));
    }
    return all;
}

BatchProgress ProgressOf(const std::vector<JournalRecord>& records, std::string_view batchSha256) {
    BatchProgress progress;
    std::set<int> rows;
    for (const auto& record : records) {
        if (record["batch_sha256"] != batchSha256 || record["operation"] != "write") continue;
        ++progress.records;
        if (!record["result"].starts_with("success")) continue;
        const auto row = RowNumber(record["row"]);
        if (!row) continue;
        rows.insert(*row);
        progress.uids[record["uid"]] = *row;
        if (!progress.lastRow || *row > *progress.lastRow) progress.lastRow = *row;
    }
    progress.rowsWritten = rows.size();
    return progress;
}

}  // namespace tagwright::app
