// SPDX-License-Identifier: MIT
#include "journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "journal_csv.h"
#include "private_folder.h"

namespace tagwright::app {

const std::vector<std::string> kJournalColumns = {
    "time",        "reader",          "uid",          "model",  "panel",   "operation",
    "mode",        "batch_file",      "batch_sha256", "row",    "message", "ndef_sha256",
    "encryption",  "key_fingerprint", "lock",         "result", "failure", "status_code",
    "duration_ms", "mirror",          "counter",      "genuine"};

namespace {

constexpr std::size_t kReadPiece = 64u << 10;

bool WriteAll(int fd, std::string_view bytes, std::size_t& written) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;
        if (n <= 0) return false;
        done += std::size_t(n);
        written += std::size_t(n);
    }
    return true;
}

// The header of a journal file: its first record. Empty when it cannot be read.
std::vector<std::string> FileHeader(int fd) {
    std::string head(4096, '\0');
    const ssize_t n = ::pread(fd, head.data(), head.size(), 0);
    if (n <= 0) return {};
    head.resize(std::size_t(n));
    CsvRecord record = ParseCsvRecord(head, false);
    if (record.status != CsvRecord::Status::Complete) return {};
    return std::move(record.cells);
}

// `cells`, in the order of kJournalColumns, in the order of `header` instead: a column the
// header lacks is left out, one it has that is not ours stays empty. A header that is not the
// journal's (unreadable) takes the cells as they are.
std::vector<std::string> CellsForHeader(const std::vector<std::string>& header,
                                        const std::vector<std::string>& cells) {
    if (header.empty() || header.front() != kJournalColumns.front() || header == kJournalColumns) {
        return cells;
    }
    std::vector<std::string> placed;
    placed.reserve(header.size());
    for (const std::string& column : header) {
        const auto at = std::find(kJournalColumns.begin(), kJournalColumns.end(), column);
        const auto index = std::size_t(at - kJournalColumns.begin());
        placed.push_back(at == kJournalColumns.end() || index >= cells.size() ? std::string()
                                                                              : cells[index]);
    }
    return placed;
}

std::string Reason(const std::filesystem::path& file) {
    return file.string() + ": " + std::strerror(errno);
}

// What goes before a record so that it starts a line of its own: nothing, or the line end that
// a torn last record lacks.
std::string_view LineEndBefore(int fd, off_t size) {
    char last = '\n';
    if (size > 0 && ::pread(fd, &last, 1, size - 1) != 1) return {};
    if (last == '\n') return {};
    return last == '\r' ? "\n" : "\r\n";
}

}  // namespace

std::filesystem::path JournalFile::DefaultFolder(std::string* problem) {
    std::string why;
    const std::filesystem::path data = PrivateDataFolder(why);
    if (problem != nullptr) *problem = why;
    return data.empty() ? data : data / "journal";
}

JournalFile JournalFile::Default() {
    std::string problem;
    JournalFile journal = Daily(DefaultFolder(&problem));
    journal.problem_ = problem;
    return journal;
}

std::filesystem::path JournalFile::FileFor(std::chrono::system_clock::time_point when) const {
    if (!daily_) return where_;
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char name[32];
    std::strftime(name, sizeof name, "journal-%Y-%m-%d.csv", &utc);
    return where_ / name;
}

std::vector<std::filesystem::path> JournalFile::Files() const {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    if (!problem_.empty()) return files;
    if (!daily_) {
        if (std::filesystem::is_regular_file(where_, error)) files.push_back(where_);
        return files;
    }
    for (const auto& entry : std::filesystem::directory_iterator(where_, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("journal-") && name.ends_with(".csv") &&
            entry.is_regular_file(error) && !entry.is_symlink(error)) {
            files.push_back(entry.path());
        }
    }
    // The date in the name sorts oldest first.
    std::sort(files.begin(), files.end());
    return files;
}

bool JournalFile::Ready(std::string& error) const {
    if (!problem_.empty()) {
        error = problem_;
        return false;
    }
    if (daily_) return MakePrivateFolder(where_, error);
    return !where_.has_parent_path() || MakeFolders(where_.parent_path(), error);
}

bool JournalFile::Trusted(std::string& error) const {
    if (!problem_.empty()) {
        error = problem_;
        return false;
    }
    struct stat info {};
    if (!daily_ || ::stat(where_.c_str(), &info) != 0 || info.st_uid == ::geteuid()) return true;
    error = where_.string() + " belongs to another user";
    return false;
}

int JournalFile::Open(const std::filesystem::path& file, int flags, std::string& error) const {
    // Non-blocking: opening a FIFO would wait for its other end, with the tag written and
    // Ctrl-C held up. In the private folder a symbolic link is nobody's business.
    flags |= O_CLOEXEC | O_NONBLOCK | (daily_ ? O_NOFOLLOW : 0);
    const int fd = ::open(file.c_str(), flags, 0600);
    if (fd < 0) {
        error = Reason(file);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = Reason(file);
    } else if (!S_ISREG(info.st_mode)) {
        error = file.string() + ": not a regular file";
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

bool JournalFile::Append(const std::vector<std::string>& cells,
                         std::chrono::system_clock::time_point when, std::string& error) const {
    if (!Ready(error)) return false;
    const std::filesystem::path file = FileFor(when);
    // Read too: the last byte says whether a torn record needs its line end.
    const int fd = Open(file, O_RDWR | O_APPEND | O_CREAT, error);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    // The files of the private folder are the operator's alone, those of an earlier version too.
    if (ok && daily_ && (info.st_mode & 077) != 0) ok = ::fchmod(fd, 0600) == 0;
    std::size_t written = 0;
    if (ok) {
        std::string bytes(LineEndBefore(fd, info.st_size));
        if (info.st_size == 0) {
            bytes += CsvLine(kJournalColumns);
            bytes += CsvLine(cells);
        } else {
            // A file begun by an earlier version keeps its header: the record takes its columns.
            bytes += CsvLine(CellsForHeader(FileHeader(fd), cells));
        }
        ok = WriteAll(fd, bytes, written) && ::fsync(fd) == 0;
    }
    if (!ok) {
        error = Reason(file);
        // A record cut short by a full disk is taken back, unless another writer came after it.
        struct stat now {};
        if (written > 0 && ::fstat(fd, &now) == 0 && now.st_size == info.st_size + off_t(written)) {
            if (::ftruncate(fd, info.st_size) == 0) ::fsync(fd);
        }
    }
    ::close(fd);
    return ok;
}

int JournalFile::OpenToRead(const std::filesystem::path& file, std::string& error) const {
    return Open(file, O_RDONLY, error);
}

bool JournalFile::Read(const std::filesystem::path& file,
                       const std::function<void(std::string_view)>& piece,
                       std::string& error) const {
    const int fd = Open(file, O_RDONLY, error);
    if (fd < 0) return false;
    std::string buffer(kReadPiece, '\0');
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = Reason(file);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        piece(std::string_view(buffer.data(), std::size_t(n)));
    }
    ::close(fd);
    return true;
}

}  // namespace tagwright::app
