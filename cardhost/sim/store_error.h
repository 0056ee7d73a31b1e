// SPDX-License-Identifier: MIT
// Failures of the simulator's state directory. A StoreError always names the file concerned;
// the reader library turns it into CARDHOST_STORAGE, the control tool prints it.
#pragma once

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace cardhost::sim {

class StoreError : public std::runtime_error {
  public:
    enum class Kind {
        // What lies in the directory is wrong: repairing or removing the file mends it.
        Damage,
        // The file may be sound, but the system refused (a full disk, a read-only folder, no
        // permission) or the folder is not the user's own: the cause is named instead.
        Refusal,
    };
    explicit StoreError(const std::string& problem, Kind kind = Kind::Damage)
        : std::runtime_error(problem), kind_(kind) {}
    StoreError(const std::filesystem::path& file, const std::string& problem,
               Kind kind = Kind::Damage)
        : std::runtime_error(file.string() + ": " + problem), kind_(kind) {}
    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

// The system refused `what` to the file, for the reason `error` (an errno value) names.
StoreError SystemRefusal(const std::filesystem::path& file, const std::string& what,
                         int error = errno);

// A stored text that does not parse; the store adds the name of the file it came from.
class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace cardhost::sim
