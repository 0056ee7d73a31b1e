// The control tool cardhost-sim: its commands, its output and its exit statuses.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tagwright::testing
