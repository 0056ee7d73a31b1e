// SPDX-License-Identifier: MIT
#include "journal_view.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "digests.h"
#include "journal_csv.h"

namespace tagwright::app {
namespace {

// The files that may hold the records: for one day of a daily journal, that day's file alone.
std::vector<std::filesystem::path> FilesFor(const JournalFile& journal, const JournalFilter& filter,
                                            std::vector<std::string>& problems) {
    std::vector<std::filesystem::path> files = journal.Files();
    if (!filter.day || !journal.daily() || !journal.problem().empty()) return files;
    const std::string name = "journal-" + *filter.day + ".csv";
    std::erase_if(files, [&](const auto& file) { return file.filename() != name; });
    if (files.empty()) {
        problems.push_back("no records were kept on " + *filter.day + " (no " +
                           (journal.where() / name).string() + ")");
    }
    return files;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;
        if (n <= 0) return false;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

}  // namespace

bool JournalFilter::Matches(const JournalRecord& record) const {
    const std::string& time = record["time"];
    if (day && !time.starts_with(*day)) return false;
    if (since && time < *since) return false;
    return !batchSha256 || record["batch_sha256"] == *batchSha256;
}

void JournalRows::Add(const JournalRecord& record) {
    for (const auto& column : kJournalColumns) {
        bytes_ += record[column];
        cellEnds_.push_back(bytes_.size());
    }
    rowEnds_.push_back(cellEnds_.size());
}

std::string_view JournalRows::Cell(std::size_t row, std::size_t column) const {
    if (row >= size() || column >= columns()) return {};
    const std::size_t cell = (row == 0 ? 0 : rowEnds_[row - 1]) + column;
    const std::size_t begin = cell == 0 ? 0 : cellEnds_[cell - 1];
    return std::string_view(bytes_).substr(begin, cellEnds_[cell] - begin);
}

std::vector<std::string> JournalRows::Row(std::size_t row) const {
    std::vector<std::string> cells;
    for (std::size_t column = 0; column < columns(); ++column)
        cells.emplace_back(Cell(row, column));
    return cells;
}

JournalView::JournalView(JournalFile journal, JournalFilter filter, std::filesystem::path batchFile)
    : filter_(std::move(filter)) {
    if (!batchFile.empty()) {
        filter_.batchSha256 = FileSha256(batchFile);
        if (!filter_.batchSha256) {
            problems_.push_back("cannot read " + batchFile.string());
            return;
        }
    }
    auto files = FilesFor(journal, filter_, problems_);
    stream_ = std::make_unique<JournalStream>(std::move(journal), std::move(files),
                                              [this](const JournalRecord& record) {
                                                  if (filter_.Matches(record)) rows_.Add(record);
                                              });
}

bool JournalView::ReadFor(std::chrono::steady_clock::duration budget) {
    if (done()) return false;
    const auto until = std::chrono::steady_clock::now() + budget;
    while (stream_->Step() && std::chrono::steady_clock::now() < until) {
    }
    return !done();
}

std::vector<std::string> JournalView::problems() const {
    std::vector<std::string> all = problems_;
    if (stream_) all.insert(all.end(), stream_->problems().begin(), stream_->problems().end());
    return all;
}

bool ExportJournalCsv(const JournalRows& rows, const std::filesystem::path& file,
                      std::string& error) {
    // Written beside it and renamed over it: a full disk leaves the old file, never half a new
    // one. mkstemp makes it 0600.
    const std::filesystem::path folder =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::string name = ".";
    name += file.filename().string();
    name += ".XXXXXX";
    std::string temp = (folder / name).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    bool ok = WriteAll(fd, CsvLine(kJournalColumns));
    std::string chunk;
    for (std::size_t row = 0; ok && row < rows.size(); ++row) {
        chunk += CsvLine(rows.Row(row));
        if (chunk.size() >= (256u << 10) || row + 1 == rows.size()) {
            ok = WriteAll(fd, chunk);
            chunk.clear();
        }
    }
    ok = ok && ::fsync(fd) == 0;
    if (!ok) error = file.string() + ": " + std::strerror(errno);
    if (::close(fd) != 0 && ok) {
        error = file.string() + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temp.c_str(), file.c_str()) != 0) {
        error = file.string() + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace tagwright::app
