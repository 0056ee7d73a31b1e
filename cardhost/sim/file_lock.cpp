// SPDX-License-Identifier: MIT
#include "file_lock.h"

#include "store_error.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace cardhost::sim {

#if defined(_WIN32)

FileLock::FileLock(const std::filesystem::path& path) {
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw StoreError(path, "lock file cannot be opened");
    OVERLAPPED overlapped{};
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped)) {
        CloseHandle(h);
        throw StoreError(path, "cannot be locked");
    }
    handle_ = h;
}

std::unique_ptr<FileLock> FileLock::TryAcquire(const std::filesystem::path& path) {
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw StoreError(path, "lock file cannot be opened");
    OVERLAPPED overlapped{};
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &overlapped)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return nullptr;
        throw StoreError(path, "cannot be locked");
    }
    std::unique_ptr<FileLock> lock(new FileLock());
    lock->handle_ = h;
    return lock;
}

FileLock::~FileLock() {
    OVERLAPPED overlapped{};
    UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &overlapped);
    CloseHandle(static_cast<HANDLE>(handle_));
}

#else

namespace {

// The lock file, created when missing. Something else left at its name (a FIFO, a device) is
// refused; opening without blocking keeps a FIFO from hanging the caller.
int OpenLockFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) throw SystemRefusal(path, "lock file cannot be opened");
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw StoreError(path, "lock file is not a regular file");
    }
    return fd;
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& path) {
    fd_ = OpenLockFile(path);
    while (::flock(fd_, LOCK_EX) != 0) {
        if (const int error = errno; error != EINTR) {
            ::close(fd_);
            throw SystemRefusal(path, "cannot be locked", error);
        }
    }
}

std::unique_ptr<FileLock> FileLock::TryAcquire(const std::filesystem::path& path) {
    const int fd = OpenLockFile(path);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) continue;
        ::close(fd);
        if (error == EWOULDBLOCK) return nullptr;
        throw SystemRefusal(path, "cannot be locked", error);
    }
    std::unique_ptr<FileLock> lock(new FileLock());
    lock->fd_ = fd;
    return lock;
}

FileLock::~FileLock() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

#endif

}  // namespace cardhost::sim
