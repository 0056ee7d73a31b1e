// An exclusive lock on a file, held across processes until the object goes away.
#pragma once

#include <filesystem>

namespace cardhost::sim {

class FileLock {
  public:
    explicit FileLock(const std::filesystem::path& path);  // blocks until the lock is held
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

  private:
#if defined(_WIN32)
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace cardhost::sim
