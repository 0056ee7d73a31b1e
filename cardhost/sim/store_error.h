// SPDX-License-Identifier: MIT
// Failures of the simulator's state directory. A StoreError always names the file concerned;
// the reader library turns it into CARDHOST_STORAGE, the control tool prints it.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace cardhost::sim {

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    StoreError(const std::filesystem::path& file, const std::string& problem)
        : std::runtime_error(file.string() + ": " + problem) {}
};

// A stored text that does not parse; the store adds the name of the file it came from.
class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace cardhost::sim
