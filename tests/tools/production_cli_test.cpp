// SPDX-License-Identifier: MIT
// The production options of tagwright-cli end to end, on the simulator: --verify against a weak
// tag, --templates, the check command and the pre-flight check of an Auto batch from a file.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "support/sim_env.h"
#include "tools/common/shell_words.h"

namespace tagwright::testing {
namespace {

class ProductionCli : public SimEnvironment {
  protected:
    ToolResult Run(const std::vector<std::string>& words) {
        return RunProgram(
            tools::ShellCommand((reader::ExecutableDirectory() / "tagwright-cli").string(), words));
    }
    std::string NewTag(const std::string& model = "NTAG213") {
        EmptyTheField();
        return SimOk({"tag", "new", "--model", model, "--layout", "plain", "--reader", "SIM-0001"});
    }
    std::string Sheet(const std::string& name, const std::string& rows) {
        const auto path = directory() / name;
        std::ofstream(path) << rows;
        return path.string();
    }
    static bool Has(const ToolResult& r, const std::string& text) {
        return r.out.find(text) != std::string::npos;
    }
};

TEST_F(ProductionCli, VerifyFailsAWeakTagThatAPlainWriteCallsWritten) {
    NewTag();
    SimOk({"fault", "weak", "--reader", "SIM-0001", "--page", "5"});
    ToolResult r = Run({"write", "text", "hello world"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Write data succeed: hello world")) << r.out;

    NewTag();
    SimOk({"fault", "weak", "--reader", "SIM-0001", "--page", "5"});
    r = Run({"write", "text", "--verify", "hello world"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "Verify failed: Page5 !")) << r.out;

    NewTag();
    r = Run({"--lang", "zh", "write", "url", "--verify", "--encrypt", "--lock", "https://x.io"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_FALSE(Has(r, "校验失败")) << r.out;
}

// Without --verify the pages of Encryption and Clear key are read back all the same: a weak
// password page is never reported as the tag's password.
TEST_F(ProductionCli, AWeakPasswordPageFailsWithoutVerify) {
    NewTag();
    SimOk({"fault", "weak", "--reader", "SIM-0001", "--page", "43"});
    ToolResult r = Run({"write", "text", "--encrypt", "x"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "Verify failed: Page43 !")) << r.out;
    EXPECT_FALSE(Has(r, "Encryption successful !")) << r.out;

    const std::string uid = NewTag();
    SimOk({"tag", "poke", uid, "0x29", "04000000"});
    SimOk({"tag", "poke", uid, "0x2B", "7C7C7C7C"});
    SimOk({"fault", "weak", "--reader", "SIM-0001", "--page", "43"});
    r = Run({"clear-key"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "Verify failed: Page43 !")) << r.out;
    EXPECT_FALSE(Has(r, "The tag's password is now 7C7C7C7C !")) << r.out;
    EXPECT_FALSE(Has(r, "Password cleared successfully !")) << r.out;
}

TEST_F(ProductionCli, TemplatesAreFilledPerTagAndCheckedBeforeAnyTag) {
    const std::string uid = NewTag();
    ToolResult r = Run({"write", "url", "--prefix", "4", "--templates", "x.io/{uid}/{n}"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Write data succeed: x.io/" + uid + "/1\n")) << r.out;
    r = Run({"read", "url"});
    EXPECT_TRUE(Has(r, "url: x.io/" + uid + "/1\n")) << r.out;

    r = Run({"write", "url", "x.io/{uid}"});  // without the option: as typed
    EXPECT_TRUE(Has(r, "Write data succeed: x.io/{uid}\n")) << r.out;

    r = Run({"write", "text", "--templates", "row {row}"});
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_TRUE(Has(r, "--templates: {row} needs the content from a sheet")) << r.out;
    r = Run({"write", "poster", "--templates", "--title", "{id", "x.io"});
    EXPECT_EQ(r.exitCode, 2) << r.out;
}

TEST_F(ProductionCli, CheckListsTheRowsThatWouldFailAndPassesACleanSheet) {
    const std::string clean = Sheet("clean.csv", "https://a.io/1\nhttps://a.io/2\n");
    ToolResult r = Run({"check", "url", "--from-file", clean});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Check: 2 rows (1 to 2) for NTAG210, 0 would fail")) << r.out;

    const std::string rows = Sheet("rows.csv",
                                   "a.io/1\n"          // 1: no scheme for code 0
                                   "https://a.io/1\n"  // 2
                                   "\n"                // 3: no text
                                   "https://a.io/1\n"  // 4: duplicate of 2
                                   "https://a.io/" +
                                       std::string(40, 'p') + "\n");  // 5: too large for NTAG210
    r = Run({"check", "url", "--from-file", rows});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "     1  no-scheme")) << r.out;
    EXPECT_TRUE(Has(r, "     3  not-text        the cell holds no text")) << r.out;
    EXPECT_TRUE(Has(r, "     4  duplicate       the same text as row 2")) << r.out;
    EXPECT_TRUE(Has(r, "     5  too-large       needs 63 bytes, NTAG210 holds 48")) << r.out;
    EXPECT_FALSE(Has(r, "     2  ")) << r.out;
    EXPECT_TRUE(Has(r, "Check: 5 rows (1 to 5) for NTAG210, 4 would fail")) << r.out;

    // A bigger model, a start row past the faults, JSON.
    r = Run({"--json", "check", "url", "--from-file", rows, "--row", "4", "--model", "213"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "\"rowsChecked\":2,\"failedRows\":0,\"model\":\"NTAG213\"")) << r.out;
    r = Run({"--json", "check", "url", "--prefix", "https://", "--from-file", clean});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "{\"type\":\"problem\",\"row\":1,\"problem\":\"doubled-scheme\"")) << r.out;

    EXPECT_EQ(Run({"check", "url"}).exitCode, 2);  // --from-file is required
    EXPECT_EQ(
        Run({"check", "poster", "--templates", "--title", "{nn}", "--from-file", clean}).exitCode,
        2);
    EXPECT_EQ(Run({"check", "text", "--from-file", clean, "--model", "NTAG214"}).exitCode, 2);
    EXPECT_EQ(Run({"check", "text", "--from-file", (directory() / "none.csv").string()}).exitCode,
              1);
}

// A sheet has 1,048,576 rows: one more, and the file does not load, check and write alike say
// why, and no tag is touched.
TEST_F(ProductionCli, ASheetPastTheLastRowIsRefusedNamingTheLimit) {
    std::string rows;
    for (int row = 0; row < 1048577; ++row)
        rows += "https://a.io/\n";
    const std::string past = Sheet("past.csv", rows);
    const std::string limit =
        "cannot load " + past + ": the sheet has rows past row 1048576, the last a sheet can have";
    ToolResult r = Run({"check", "url", "--from-file", past});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, limit)) << r.out;
    EXPECT_FALSE(Has(r, "Check:")) << r.out;

    const std::string uid = NewTag();
    const auto before = Memory(uid);
    r = Run({"write", "url", "--from-file", past, "--row", "1048577"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "Failed to load file !")) << r.out;
    EXPECT_TRUE(Has(r, limit)) << r.out;
    EXPECT_EQ(Memory(uid), before);
}

TEST_F(ProductionCli, AnAutoBatchFromAFileStartsOnlyWhenEveryRowPasses) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    const std::string uids =
        SimOk({"queue", "--reader", "SIM-0001", "--count", "2", "--layout", "plain"});
    const std::string rows = Sheet("rows.csv", "one\n\nthree\n");
    ToolResult r = Run({"write", "text", "--from-file", rows, "--auto"});
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_TRUE(Has(r, "     2  not-text")) << r.out;
    EXPECT_TRUE(Has(r, "pre-flight check failed")) << r.out;
    EXPECT_EQ(CommandCounts().count("TyA_Request"), 0u);  // no tag was looked for

    // From row 3 on every row passes, and the batch runs.
    r = Run({"write", "text", "--from-file", rows, "--row", "3", "--auto", "--model", "NTAG213"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Write data succeed: three")) << r.out;

    // --no-check starts it anyway; and the check's options need a batch from a file.
    r = Run({"write", "text", "--from-file", rows, "--auto", "--count", "1", "--no-check"});
    EXPECT_TRUE(Has(r, "Write data succeed: one")) << r.out;
    EXPECT_EQ(Run({"write", "text", "--model", "NTAG213", "abc"}).exitCode, 2);
}

TEST_F(ProductionCli, RealTimeModeTakesAtLeastTheModeledAirTime) {
    // 857 bytes on an NTAG216: 219 page writes, over a second of air time, far more than the
    // program and the simulator need without real time.
    NewTag("NTAG216");
    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    const std::string line =
        "CARDHOST_SIM_REALTIME=1 " +
        tools::ShellCommand((reader::ExecutableDirectory() / "tagwright-cli").string(),
                            {"write", "text", std::string(857, 'x')});
    const auto started = std::chrono::steady_clock::now();
    const ToolResult r = RunProgram(line);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string stats = SimOk({"stats", "--reader", "SIM-0001"});
    const auto at = stats.find("airtime_ms ");
    ASSERT_NE(at, std::string::npos) << stats;
    const double airSeconds = std::atof(stats.c_str() + at + 11) / 1000.0;
    EXPECT_GT(airSeconds, 1.0) << stats;
    EXPECT_GE(seconds, airSeconds) << stats;
}

}  // namespace
}  // namespace tagwright::testing
