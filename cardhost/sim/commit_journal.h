// SPDX-License-Identifier: MIT
// How the files that one transaction changed become current together.
//
// Each new file is first written under pending/. A journal that lists the renames and removals
// is then published with one rename (the commit point), carried out and deleted. A process that
// dies before the journal is published leaves only files under pending/; one that dies after it
// leaves the journal, which the next transaction carries out before it reads anything. Either
// way every reader of the directory sees the state from before the transaction or from after it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace cardhost::sim {

class Publication {
  public:
    explicit Publication(std::filesystem::path directory);

    // `file` is relative to the state directory: "state", "tags/<UID>.tag" or
    // "queues/<name>.queue". The contents are written under pending/ at once.
    void Write(const std::string& file, const std::string& contents);
    void Remove(const std::string& file);

    // Makes every written file current and removes the removed ones, all at once.
    void Publish();

    struct Step {
        bool rename;  // pending/<index> becomes `file`; otherwise `file` is removed
        std::size_t index;
        std::string file;
    };

  private:
    std::filesystem::path directory_;
    std::vector<Step> steps_;
    std::size_t written_ = 0;
};

// Under the directory's lock, before anything is read: carries out a journal that a dead process
// left behind, then deletes whatever lies under pending/ (temporaries of unfinished transactions).
void FinishInterruptedCommit(const std::filesystem::path& directory);

}  // namespace cardhost::sim
