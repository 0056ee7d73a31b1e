// SPDX-License-Identifier: MIT
// The binding takes the reader library from the executable's folder only, and only when it
// offers all 26 entry points.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "reader/binding.h"
#include "reader/reader_report.h"
#include "support/sim_env.h"

namespace tagwright::testing {
namespace {

namespace fs = std::filesystem;

class Binding : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tw-bind-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        programDir_ = root_ / "program";
        workDir_ = root_ / "work";
        fs::create_directories(programDir_);
        fs::create_directories(workDir_);
        fs::copy_file(Built("bind_probe"), programDir_ / "bind_probe");
    }
    void TearDown() override { fs::remove_all(root_); }

    static fs::path Built(const std::string& name) { return reader::ExecutableDirectory() / name; }

    // Runs the probe from the work folder, with that folder on the library path too, on a
    // simulator of its own.
    ToolResult Probe() {
        return RunProgram("cd '" + workDir_.string() +
                          "' && CARDHOST_BACKENDS=sim CARDHOST_SIM_DIR='" +
                          (root_ / "sim").string() + "' LD_LIBRARY_PATH='" + workDir_.string() +
                          "' '" + (programDir_ / "bind_probe").string() + "'");
    }
    void Install(const std::string& builtName, const fs::path& folder) {
        fs::copy_file(Built(builtName), folder / reader::ReaderLibraryFileName(),
                      fs::copy_options::overwrite_existing);
    }

    fs::path root_, programDir_, workDir_;
};

TEST_F(Binding, ACopyInTheWorkingDirectoryIsIgnored) {
    Install(reader::ReaderLibraryFileName(), workDir_);
    const ToolResult result = Probe();
    EXPECT_EQ(result.exitCode, 1) << result.out;
    EXPECT_EQ(result.out, "refused\n");
}

// A fresh simulator has one reader.
TEST_F(Binding, TheLibraryBesideTheExecutableIsBoundAndReports) {
    Install(reader::ReaderLibraryFileName(), programDir_);
    const ToolResult result = Probe();
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(result.out, "bound\nreport: 1\nproblems only: 0\n");
}

TEST_F(Binding, ALibraryOfOnlyTheTwentySixIsBoundWithoutReport) {
    Install("libcardhost_without_diagnostics.so", programDir_);
    const ToolResult result = Probe();
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(result.out, "bound\nreport: none\n");
}

TEST_F(Binding, ALibraryLackingOneEntryPointIsRefused) {
    Install("libcardhost_missing_readsig.so", programDir_);
    Install(reader::ReaderLibraryFileName(), workDir_);
    const ToolResult result = Probe();
    EXPECT_EQ(result.exitCode, 1) << result.out;
}

TEST_F(Binding, AFileThatIsNoLibraryIsRefused) {
    std::ofstream(programDir_ / reader::ReaderLibraryFileName()) << "not a library";
    EXPECT_EQ(Probe().exitCode, 1);
}

TEST(ReaderReport, UndoesTheEscapesAndSkipsWhatItDoesNotKnow) {
    const reader::ReaderReport report = reader::ParseReaderReport(
        "reader\tA\\tB\\\\C\tpcsc\t3B 8F\tB (pass-through)\t0\n"
        "future\tkind\n"
        "reader\ttoo\tfew\n"
        "reader\tSIM-0002\tsim\t\t\t11\n"
        "problem\tsim\tline one\\nline two\n"
        "problem\tpcsc\tno service");
    ASSERT_EQ(report.readers.size(), 2u);
    EXPECT_EQ(report.readers[0].serial, "A\tB\\C");
    EXPECT_EQ(report.readers[0].atrHex, "3B 8F");
    EXPECT_EQ(report.readers[0].personality, "B (pass-through)");
    EXPECT_EQ(report.readers[1].backend, "sim");
    EXPECT_EQ(report.readers[1].atrHex, "");
    EXPECT_EQ(report.readers[1].status, 11);
    EXPECT_EQ(report.ProblemOf("sim"), "line one\nline two");
    EXPECT_EQ(report.ProblemOf("pcsc"), "no service");
    EXPECT_EQ(report.ProblemOf("other"), std::nullopt);
}

TEST(BindingInProcess, FillsEveryEntryAndUnbindingEmptiesTheTable) {
    ASSERT_TRUE(reader::BindReaderLibrary());
    EXPECT_TRUE(reader::Reader().Complete());
    reader::UnbindReaderLibrary();
    EXPECT_FALSE(reader::ReaderLibraryBound());
    EXPECT_EQ(reader::Reader().TyA_NTAG_ReadSig, nullptr);
    ASSERT_TRUE(reader::BindReaderLibrary());
}

}  // namespace
}  // namespace tagwright::testing
