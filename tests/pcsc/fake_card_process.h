// SPDX-License-Identifier: MIT
// A fake-vpcd-card run by a test, and the private pcscd around it (see run-in-private-pcscd.sh).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cardhost/sim/ntag_chip.h"

namespace tagwright::pcsc_testing {

// Why the tests cannot run here, or empty when a private pcscd from the harness is around.
std::string HarnessMissing();
// The harness's daemon control (stop, start, restart, drop-readers, restore-readers).
bool ControlPcscd(const std::string& action);

class FakeCardProcess {
  public:
    // Starts the card with these options; its state file and log live in a folder of its own.
    explicit FakeCardProcess(std::vector<std::string> options);
    ~FakeCardProcess();
    FakeCardProcess(const FakeCardProcess&) = delete;
    FakeCardProcess& operator=(const FakeCardProcess&) = delete;

    bool running() const { return pid_ > 0; }
    void TakeAway();  // the tag leaves the reader
    void PutBack();
    // Ends the card; true when it ended by itself within the bound.
    bool Stop();

    // The tag as the card holds it now.
    cardhost::sim::NtagChip Tag() const;
    std::string Log() const;
    const std::filesystem::path& folder() const { return folder_; }

  private:
    std::filesystem::path folder_;
    pid_t pid_ = -1;
};

// Where the test programs live: beside this one.
std::filesystem::path ProgramFolder();

}  // namespace tagwright::pcsc_testing
