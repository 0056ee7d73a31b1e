// SPDX-License-Identifier: MIT
// One version for every program: the generated header, the version lines of both command-line
// programs.
#include <gtest/gtest.h>

#include "support/sim_env.h"
#include "tools/common/shell_words.h"
#include "version/version.h"

namespace tagwright::testing {
namespace {

TEST(VersionLine, NamesTheProgramAndAddsTheRevisionOnlyWhereThereIsOne) {
    EXPECT_EQ(version::VersionLine("tagwright-cli", "1.2.3", ""), "tagwright-cli 1.2.3");
    EXPECT_EQ(version::VersionLine("cardhost-sim", "1.2.3", "0123456789ab-dirty"),
              "cardhost-sim 1.2.3 (git 0123456789ab-dirty)");
}

TEST(VersionLine, TheVersionIsTheProjectVersion) {
    EXPECT_EQ(version::Version(), TAGWRIGHT_PROJECT_VERSION);
}

class VersionOption : public SimEnvironment {
  protected:
    static ToolResult Run(const std::string& program, const std::vector<std::string>& words) {
        return RunProgram(
            tools::ShellCommand((reader::ExecutableDirectory() / program).string(), words));
    }
};

TEST_F(VersionOption, BothProgramsPrintOneVersionLineAndSucceed) {
    for (const char* program : {"tagwright-cli", "cardhost-sim"}) {
        SCOPED_TRACE(program);
        const ToolResult r = Run(program, {"--version"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, version::VersionLine(program) + "\n");
        EXPECT_EQ(r.out.rfind(std::string(program) + " " + TAGWRIGHT_PROJECT_VERSION, 0), 0u);
    }
    // The usage texts name the option.
    EXPECT_NE(Run("tagwright-cli", {"--help"}).out.find("--version"), std::string::npos);
    EXPECT_NE(Run("cardhost-sim", {"--help"}).out.find("--version"), std::string::npos);
}

TEST_F(VersionOption, TheVersionWinsOverACommandOfTagwrightCli) {
    // --version answers without a reader, as --help does: it must not open or touch one.
    const ToolResult r = Run("tagwright-cli", {"--version", "readers"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, version::VersionLine("tagwright-cli") + "\n");
}

}  // namespace
}  // namespace tagwright::testing
