// SPDX-License-Identifier: MIT
// A private simulator directory for one test, the bound reader library, and the control tool.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cardhost/sim/sim_store.h"
#include "reader/binding.h"

namespace tagwright::testing {

struct ToolResult {
    int exitCode;
    std::string out;  // standard output and standard error together
};

// Runs a program, returning its exit status and what it printed.
ToolResult RunProgram(const std::string& commandLine);

class SimEnvironment : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // cardhost-sim with these words (each one quoted for the shell).
    ToolResult Sim(const std::vector<std::string>& words);
    // The same, expecting success; returns the output, trimmed of the final newline.
    std::string SimOk(const std::vector<std::string>& words);

    // Direct access to the state, as the tool has it.
    cardhost::sim::SimStore store() const { return cardhost::sim::SimStore(directory_); }
    std::vector<std::uint8_t> Memory(const std::string& uid);

    // The UID of the tag in the field of SIM-0001 (the first-use reader), "-" for none.
    std::string FieldUid();
    // Takes the tag, if any, out of the field of SIM-0001.
    void EmptyTheField();
    // Calls by entry point on SIM-0001, as `cardhost-sim stats` counts them.
    std::map<std::string, std::uint64_t> CommandCounts();

    // Opens the first reader listed and switches its field on (as Open device does).
    std::int32_t OpenFirstReader();

    const reader::ReaderApi& api() const { return reader::Reader(); }
    const std::filesystem::path& directory() const { return directory_; }

  private:
    std::filesystem::path directory_;
};

}  // namespace tagwright::testing
