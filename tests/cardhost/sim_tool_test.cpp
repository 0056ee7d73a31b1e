// SPDX-License-Identifier: MIT
// The control tool cardhost-sim: its commands, its output and its exit statuses.
#include <gtest/gtest.h>

#include "cardhost/sim/entry_points.h"
#include "support/sim_env.h"

namespace tagwright::testing {
namespace {

class SimTool : public SimEnvironment {};

TEST_F(SimTool, HexDumpOfANewPlainNtag213ShowsTheDeliveryConfiguration) {
    const std::string uid =
        SimOk({"tag", "new", "--model", "NTAG213", "--layout", "plain", "--uid", "04A1B2C3D4E5F6"});
    EXPECT_EQ(uid, "04A1B2C3D4E5F6");
    std::string expected =
        "04A1B2"
        "9F"  // BCC0 = 88 ^ 04 ^ A1 ^ B2
        "C3D4E5F6"
        "04"  // BCC1 = C3 ^ D4 ^ E5 ^ F6
        "480000"
        "E1101200"
        "0300FE00";
    expected += std::string(35 * 8, '0');  // pages 5 to 39
    expected +=
        "000000BD"
        "040000FF"
        "00050000"
        "FFFFFFFF"
        "00000000";
    EXPECT_EQ(SimOk({"tag", "dump", uid, "--hex"}), expected);
}

TEST_F(SimTool, ReadersAndTagsCanBeAddedPlacedAndRemoved) {
    SimOk({"reader", "add", "LINE-2"});
    const std::string uid = SimOk({"tag", "new", "--model", "216", "--reader", "LINE-2"});
    EXPECT_NE(SimOk({"readers"}).find("LINE-2 attached tag=" + uid), std::string::npos);
    EXPECT_EQ(Sim({"tag", "place", uid, "--reader", "SIM-0001"}).exitCode, 1);  // in use
    SimOk({"tag", "remove", "--reader", "LINE-2"});
    // A tag that left the field can still be dumped by its UID.
    EXPECT_NE(SimOk({"tag", "dump", uid}).find("NTAG216  UID " + uid + "  not in a field"),
              std::string::npos);
    SimOk({"reader", "detach", "LINE-2"});
    EXPECT_NE(SimOk({"readers"}).find("LINE-2 detached"), std::string::npos);
    SimOk({"reader", "remove", "LINE-2"});
    EXPECT_EQ(SimOk({"readers"}).find("LINE-2"), std::string::npos);
}

TEST_F(SimTool, QueuePrintsTheUidsInOrder) {
    const std::string out = SimOk({"queue", "--reader", "SIM-0001", "--count", "3"});
    ASSERT_EQ(out.size(), 3u * 15 - 1);
    EXPECT_NE(SimOk({"readers"}).find("queued=3"), std::string::npos);
    EXPECT_NE(SimOk({"tag", "dump", out.substr(15, 14)}).find("queued at SIM-0001"),
              std::string::npos);
}

TEST_F(SimTool, PokeBypassesProtection) {
    const std::string uid = SimOk({"tag", "new", "--model", "NTAG210", "--layout", "plain"});
    SimOk({"tag", "poke", uid, "0x10",
           "040000"
           "00"});  // AUTH0 = 0: all protected
    SimOk({"tag", "poke", uid, "0", "DEADBEEF"});
    const auto memory = Memory(uid);
    EXPECT_EQ(memory[0], 0xDE);
    EXPECT_EQ(memory[0x10 * 4 + 3], 0x00);
}

TEST_F(SimTool, BadArgumentsExitWithStatus2AndHelpDocumentsEverything) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"tag", "new", "--model", "NTAG999"},
        {"tag", "new", "--layout", "fancy"},
        {"tag", "new", "--uid", "0411"},
        {"tag", "poke", "--reader", "SIM-0001", "4", "XYZ"},
        {"tag", "poke", "--reader", "SIM-0001", "300", "00000000"},
        {"queue", "--reader", "SIM-0001"},
        {"queue", "--reader", "SIM-0001", "--count", "-1"},
        {"fault", "fail", "Write", "--reader", "SIM-0001"},
        {"fault", "tear", "--reader", "SIM-0001"},
        {"stats", "--reader"},
        {"readers", "extra"},
        {"reader", "add", "has space"},
    };
    for (const auto& words : bad) {
        const ToolResult result = Sim(words);
        EXPECT_EQ(result.exitCode, 2) << (words.empty() ? "" : words[0]) << ": " << result.out;
    }
    EXPECT_EQ(Sim({"stats", "--reader", "NOPE"}).exitCode, 1);
    EXPECT_EQ(Sim({"tag", "dump", "04000000000000"}).exitCode, 1);

    const ToolResult help = Sim({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"readers", "reader add", "reader remove", "tag new", "tag place",
                             "tag remove", "tag dump", "tag poke", "queue", "fault fail",
                             "fault tear", "fault detach", "stats", "--gap-polls", "--hex"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
}

TEST_F(SimTool, FaultRulesThatNoCallCouldReturnAreRefused) {
    const std::vector<std::vector<std::string>> refused = {
        {"fail", "Sys_Bogus"},
        {"fail", "TyA_NTAG_Wrte"},
        {"fail", "Write"},
        {"fail", "sys_open"},
        {"fail", "Sys_SetLight", "--status", "0x100"},  // would come back as 0: success
        {"fail", "Sys_Open", "--status", "256"},
        {"fail", "Sys_SetLight", "--status", "0"},
        {"fail", "TyA_NTAG_Write", "--status", "0"},
        {"fail", "TyA_NTAG_Write", "--status", "0x80000000"},
        {"fail", "TyA_NTAG_Write", "--status", "-1"},
        {"fail", "TyA_NTAG_Read", "--nth", "0"},
        {"fail", "TyA_NTAG_Read", "--nth", "-2"},
        {"fail", "TyA_NTAG_Read", "--after", "3"},
        {"fail", "Sys_IsOpen", "--status", "5"},  // it answers 0 or 1, not a status
        {"tear", "--after", "-1"},
        {"detach", "--after", "-1"},
        {"tear", "--after", "2", "--nth", "1"},
        {"detach", "--after", "x"},
    };
    for (auto words : refused) {
        words.insert(words.begin(), "fault");
        words.insert(words.end(), {"--reader", "SIM-0001"});
        const ToolResult result = Sim(words);
        EXPECT_EQ(result.exitCode, 2) << ::testing::PrintToString(words) << result.out;
        EXPECT_NE(result.out.find("see cardhost-sim --help"), std::string::npos) << result.out;
    }
    EXPECT_EQ(SimOk({"fault", "list", "--reader", "SIM-0001"}), "");
    // A bad rule is refused before the reader is looked for.
    EXPECT_EQ(Sim({"fault", "fail", "Sys_Bogus", "--reader", "NOPE"}).exitCode, 2);

    SimOk({"fault", "fail", "Sys_SetLight", "--reader", "SIM-0001", "--status", "0xFF"});
    SimOk({"fault", "fail", "TyA_NTAG_Read", "--reader", "SIM-0001", "--status", "0x7FFFFFFF",
           "--nth", "3"});
    SimOk({"fault", "fail", "Sys_IsOpen", "--reader", "SIM-0001"});
    SimOk({"fault", "tear", "--reader", "SIM-0001", "--after", "0"});
    EXPECT_EQ(SimOk({"fault", "list", "--reader", "SIM-0001"}),
              "fail Sys_SetLight in 1 calls with 0xff\n"
              "fail TyA_NTAG_Read in 3 calls with 0x7fffffff\n"
              "fail Sys_IsOpen in 1 calls (answers 0)\n"
              "tear after 0");

    const std::string help = SimOk({"--help"});
    for (const std::string_view name : cardhost::sim::kEntryPoints) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
    }
}

// Each rule counts every call of its entry point: one that fires does not hold back the others.
TEST_F(SimTool, RulesOnOneEntryPointEachFailTheCallTheyName) {
    std::int32_t handle = OpenFirstReader();
    for (const auto& [nth, status] : {std::pair{"2", "0x31"}, {"4", "0x32"}, {"4", "0x33"}}) {
        SimOk({"fault", "fail", "Sys_SetLight", "--reader", "SIM-0001", "--nth", nth, "--status",
               status});
    }
    std::vector<int> statuses;
    for (int call = 1; call <= 5; ++call)
        statuses.push_back(api().Sys_SetLight(handle, 1));
    // The two rules of the fourth call fail it once, with the first one's status.
    EXPECT_EQ(statuses, (std::vector<int>{0, 0x31, 0, 0x32, 0}));
    EXPECT_EQ(SimOk({"fault", "list", "--reader", "SIM-0001"}), "");
    api().Sys_Close(&handle);
}

TEST_F(SimTool, QueueAddsBehindTheWaitingTagsAndAReaderTakesItsQueueAlong) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    const std::string first = SimOk({"queue", "--reader", "SIM-0001", "--count", "2"});
    const std::string second = SimOk({"queue", "--reader", "SIM-0001", "--count", "2"});
    EXPECT_NE(SimOk({"readers"}).find("queued=4"), std::string::npos);
    for (const std::string& uid : {first.substr(0, 14), second.substr(15, 14)}) {
        EXPECT_NE(SimOk({"tag", "dump", uid}).find("queued at SIM-0001"), std::string::npos);
    }
    const auto queueFile = directory() / "queues" / "53494D2D30303031.queue";  // SIM-0001
    EXPECT_EQ(std::filesystem::file_size(queueFile), 4u * 15);

    SimOk({"reader", "remove", "SIM-0001"});
    EXPECT_FALSE(std::filesystem::exists(queueFile));
    EXPECT_NE(SimOk({"tag", "dump", first.substr(0, 14)}).find("not in a field"),
              std::string::npos);  // the tags stay known
}

}  // namespace
}  // namespace tagwright::testing
