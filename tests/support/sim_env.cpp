// SPDX-License-Identifier: MIT
#include "sim_env.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "cardhost/sim/hex.h"
#include "tools/cardhost-sim/sim_tool.h"

namespace tagwright::testing {
namespace {}  // namespace

ToolResult RunProgram(const std::string& commandLine) {
    ToolResult result{-1, {}};
    FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.out.append(buffer.data(), got);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

void SimEnvironment::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tw-sim-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    setenv("CARDHOST_SIM_DIR", directory_.c_str(), 1);
    setenv("CARDHOST_BACKENDS", "sim", 1);
    // The journal of every program the test starts stays in the test's directory.
    setenv("XDG_DATA_HOME", (directory_ / "data").c_str(), 1);
    if (!reader::ReaderLibraryBound()) {
        ASSERT_TRUE(reader::BindReaderLibrary());
    }
}

void SimEnvironment::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

ToolResult SimEnvironment::Sim(const std::vector<std::string>& words) {
    // The tool's commands run in this process: a program started for each of them costs more
    // than the command (most of all under the sanitizers), and its words and exit status are
    // the same. Its standard output and error are taken together, as a pipe would take them.
    std::ostringstream printed;
    std::streambuf* const out = std::cout.rdbuf(printed.rdbuf());
    std::streambuf* const err = std::cerr.rdbuf(printed.rdbuf());
    const int status = cardhost_sim::RunTool(words);
    std::cout.rdbuf(out);
    std::cerr.rdbuf(err);
    return {status, printed.str()};
}

std::string SimEnvironment::SimOk(const std::vector<std::string>& words) {
    ToolResult result = Sim(words);
    EXPECT_EQ(result.exitCode, 0) << result.out;
    if (!result.out.empty() && result.out.back() == '\n') result.out.pop_back();
    return result.out;
}

std::vector<std::uint8_t> SimEnvironment::Memory(const std::string& uid) {
    return *cardhost::sim::FromHex(SimOk({"tag", "dump", uid, "--hex"}));
}

std::string SimEnvironment::FieldUid() {
    const std::string line = SimOk({"readers"});
    const std::size_t at = line.find("tag=") + 4;
    return line.substr(at, line.find(' ', at) - at);
}

void SimEnvironment::EmptyTheField() {  // "-" stands for an empty field
    if (FieldUid() != "-") SimOk({"tag", "remove", "--reader", "SIM-0001"});
}

std::map<std::string, std::uint64_t> SimEnvironment::CommandCounts() {
    std::map<std::string, std::uint64_t> counts;
    std::istringstream stats(SimOk({"stats", "--reader", "SIM-0001"}));
    std::string word, name;
    std::uint64_t count = 0;
    while (stats >> word) {
        if (word == "command" && stats >> name >> count) counts[name] = count;
    }
    return counts;
}

std::int32_t SimEnvironment::OpenFirstReader() {
    std::int32_t handle = -1;
    EXPECT_EQ(api().Sys_Open(&handle, 0, 0x0416, 0x8020), 0);
    EXPECT_EQ(api().Sys_SetAntenna(handle, 1), 0);
    EXPECT_EQ(api().Sys_InitType(handle, 0x41), 0);
    return handle;
}

}  // namespace tagwright::testing
