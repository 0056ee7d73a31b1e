// SPDX-License-Identifier: MIT
// An exclusive lock on a file, held across processes until the object goes away.
#pragma once

#include <filesystem>
#include <memory>

namespace cardhost::sim {

class FileLock {
  public:
    explicit FileLock(const std::filesystem::path& path);  // blocks until the lock is held
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Without waiting: nullptr while another holder (another object, another process) has it.
    // The system drops a lock when its process dies, so no lock outlives its holder.
    static std::unique_ptr<FileLock> TryAcquire(const std::filesystem::path& path);

  private:
    FileLock() = default;

#if defined(_WIN32)
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace cardhost::sim
