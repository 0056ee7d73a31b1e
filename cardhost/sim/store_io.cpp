// SPDX-License-Identifier: MIT
#include "store_io.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "store_error.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace cardhost::sim {
namespace fs = std::filesystem;

namespace {

std::string TooLarge(std::uint64_t limit) {
    return "larger than " + std::to_string(limit) + " bytes, too large to be simulator state";
}

constexpr const char* kNotRegular =
    "not a regular file (a FIFO, device, folder or link to one cannot hold simulator state)";

}  // namespace

bool StoreEntryExists(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        throw SystemRefusal(path, "cannot be examined", error.value());
    }
    return fs::exists(status);
}

#if defined(_WIN32)

std::string ReadStoreFile(const fs::path& path, std::size_t limit) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) throw StoreError(path, kNotRegular);
    if (fs::file_size(path, error) > limit) throw StoreError(path, TooLarge(limit));
    std::ifstream in(path, std::ios::binary);
    std::string contents(limit + 1, '\0');
    in.read(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (in.bad()) throw StoreError(path, "cannot be read");
    contents.resize(static_cast<std::size_t>(in.gcount()));
    if (contents.size() > limit) throw StoreError(path, TooLarge(limit));
    return contents;
}

std::string ReadStoreFileAt(const fs::path& path, std::uint64_t offset, std::size_t size,
                            std::uint64_t expectedSize) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) throw StoreError(path, kNotRegular);
    if (fs::file_size(path, error) != expectedSize) {
        throw StoreError(path, "is not " + std::to_string(expectedSize) + " bytes long");
    }
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string contents(size, '\0');
    in.read(contents.data(), static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(in.gcount()) != size) throw StoreError(path, "cannot be read");
    return contents;
}

void WriteStoreFile(const fs::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    out.flush();
    if (!out) throw StoreError(path, "cannot be written");
}

#else

namespace {

// Opens a regular file for reading; refuses anything else before and after opening (the entry
// may be swapped between the two looks).
int OpenRegular(const fs::path& path, struct stat& info) {
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) throw StoreError(path, "is missing");
        throw SystemRefusal(path, "cannot be examined");
    }
    if (!S_ISREG(info.st_mode)) throw StoreError(path, kNotRegular);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) throw SystemRefusal(path, "cannot be opened");
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw StoreError(path, kNotRegular);
    }
    return fd;
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { ::close(fd_); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Reads up to `size` bytes at `offset`; fewer only at the end of the file.
std::size_t ReadAt(const fs::path& path, int fd, char* buffer, std::size_t size,
                   std::uint64_t offset) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, buffer + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw SystemRefusal(path, "cannot be read");
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

}  // namespace

std::string ReadStoreFile(const fs::path& path, std::size_t limit) {
    struct stat info {};
    const Descriptor fd(OpenRegular(path, info));
    if (static_cast<std::uint64_t>(info.st_size) > limit) throw StoreError(path, TooLarge(limit));
    // One byte more than allowed shows a file that grew after it was examined.
    std::string contents(static_cast<std::size_t>(info.st_size) + 1, '\0');
    const std::size_t wanted = std::min(contents.size(), limit + 1);
    contents.resize(ReadAt(path, fd.get(), contents.data(), wanted, 0));
    if (contents.size() > limit) throw StoreError(path, TooLarge(limit));
    return contents;
}

std::string ReadStoreFileAt(const fs::path& path, std::uint64_t offset, std::size_t size,
                            std::uint64_t expectedSize) {
    struct stat info {};
    const Descriptor fd(OpenRegular(path, info));
    if (static_cast<std::uint64_t>(info.st_size) != expectedSize) {
        throw StoreError(path, "is " + std::to_string(info.st_size) + " bytes long, not " +
                                   std::to_string(expectedSize));
    }
    std::string contents(size, '\0');
    if (ReadAt(path, fd.get(), contents.data(), size, offset) != size) {
        throw StoreError(path, "cannot be read");
    }
    return contents;
}

void WriteStoreFile(const fs::path& path, const std::string& contents) {
    // O_EXCL: a FIFO or link left at this name is removed, never written through. Tag files hold
    // their password in the clear: only the owner may read them.
    constexpr int kCreate = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    int fd = ::open(path.c_str(), kCreate, 0600);
    if (fd < 0 && errno == EEXIST) {
        RemoveStoreEntry(path);
        fd = ::open(path.c_str(), kCreate, 0600);
    }
    if (fd < 0) throw SystemRefusal(path, "cannot be created");
    const Descriptor closer(fd);
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR) continue;
        // A write that stores nothing without an error has run out of room as well.
        if (n <= 0) throw SystemRefusal(path, "cannot be written", n < 0 ? errno : ENOSPC);
        written += static_cast<std::size_t>(n);
    }
}

#endif

void RenameStoreFile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    if (error) throw SystemRefusal(to, "cannot be replaced", error.value());
}

void RemoveStoreEntry(const fs::path& path) {
    std::error_code error;
    fs::remove_all(path, error);
    if (error) throw SystemRefusal(path, "cannot be removed", error.value());
}

}  // namespace cardhost::sim
