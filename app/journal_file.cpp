// SPDX-License-Identifier: MIT
#include "journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "journal_csv.h"

namespace tagwright::app {

const std::vector<std::string> kJournalColumns = {
    "time",      "reader",      "uid",         "model",           "panel",
    "operation", "mode",        "batch_file",  "batch_sha256",    "row",
    "message",   "ndef_sha256", "encryption",  "key_fingerprint", "lock",
    "result",    "failure",     "status_code", "duration_ms"};

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

std::string Reason(const std::filesystem::path& file) {
    return file.string() + ": " + std::strerror(errno);
}

}  // namespace

std::filesystem::path JournalFile::DefaultFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base;
    if (data != nullptr && data[0] == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share";
    }
    return base / "Tagwright" / "journal";
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
    if (!daily_) {
        if (std::filesystem::is_regular_file(where_, error)) files.push_back(where_);
        return files;
    }
    for (const auto& entry : std::filesystem::directory_iterator(where_, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("journal-") && name.ends_with(".csv") &&
            entry.is_regular_file(error)) {
            files.push_back(entry.path());
        }
    }
    // The date in the name sorts oldest first.
    std::sort(files.begin(), files.end());
    return files;
}

bool JournalFile::Append(const std::vector<std::string>& cells,
                         std::chrono::system_clock::time_point when, std::string& error) const {
    const std::filesystem::path file = FileFor(when);
    std::error_code ignored;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = Reason(file);
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    // Not a spreadsheet of its own: a FIFO or device would block or swallow the record.
    if (ok && !S_ISREG(info.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    if (ok && info.st_size == 0) ok = WriteAll(fd, CsvLine(kJournalColumns));
    ok = ok && WriteAll(fd, CsvLine(cells)) && ::fsync(fd) == 0;
    if (!ok) error = Reason(file);
    ::close(fd);
    return ok;
}

}  // namespace tagwright::app
