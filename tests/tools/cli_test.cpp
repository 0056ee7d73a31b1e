// SPDX-License-Identifier: MIT
// tagwright-cli end to end: the real reader library, the simulator and the control tool.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>

#include "cardhost/sim/hex.h"
#include "secrets/core_dumps.h"
#include "support/sim_env.h"
#include "tools/common/shell_words.h"

namespace tagwright::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Fixture(const std::string& name) {
    return (std::filesystem::path(TAGWRIGHT_FIXTURES_DIR) / name).string();
}

class Cli : public SimEnvironment {
  protected:
    ToolResult Run(const std::vector<std::string>& words, const std::string& input = "") {
        std::string line =
            tools::ShellCommand((reader::ExecutableDirectory() / "tagwright-cli").string(), words);
        if (!input.empty()) {
            const auto path = directory() / "stdin.txt";
            std::ofstream(path) << input;
            line += " < " + tools::ShellQuote(path.string());
        }
        return RunProgram(line);
    }
    std::string NewTag(const std::string& model, const std::string& layout) {
        EmptyTheField();
        return SimOk({"tag", "new", "--model", model, "--layout", layout, "--reader", "SIM-0001"});
    }
    static bool Has(const ToolResult& r, const std::string& text) {
        return r.out.find(text) != std::string::npos;
    }
};

TEST_F(Cli, EveryWriteKindOnBothLayoutsReadsBack) {
    for (const char* layout : {"plain", "datasheet"}) {
        SCOPED_TRACE(layout);
        const std::string uid = NewTag("NTAG213", layout);
        ToolResult r = Run({"write", "text", "abc"});
        ASSERT_EQ(r.exitCode, 0) << r.out;
        EXPECT_TRUE(Has(r, "   2  Write data succeed: abc")) << r.out;
        const Bytes memory = Memory(uid);
        const Bytes abc{0xD1, 0x01, 0x06, 0x54, 0x02, 0x7A, 0x68, 0x61, 0x62, 0x63, 0xFE};
        const std::size_t at = std::string(layout) == "plain" ? 18 : 23;
        EXPECT_EQ(Bytes(memory.begin() + at, memory.begin() + at + 11), abc);
        r = Run({"read", "text"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(Has(r, "text: abc\n")) << r.out;

        EXPECT_EQ(Run({"write", "url", "--prefix", "tel:", "0123456789"}).exitCode, 0);
        r = Run({"read", "url"});
        EXPECT_TRUE(Has(r, "prefix: tel:\nurl: 0123456789\n")) << r.out;

        EXPECT_EQ(
            Run({"write", "poster", "--prefix", "4", "--title", "Hi", "example.com"}).exitCode, 0);
        r = Run({"read", "poster"});
        EXPECT_TRUE(Has(r, "prefix: https://\nurl: example.com\ntitle: Hi\n")) << r.out;

        EXPECT_EQ(Run({"write", "text", "--stdin"}, "from stdin\n").exitCode, 0);
        EXPECT_TRUE(Has(Run({"read", "text"}), "text: from stdin\n"));
    }
}

TEST_F(Cli, EncryptThenClearKeyAndLockThenARefusedWrite) {
    const std::string uid = NewTag("NTAG213", "datasheet");
    ToolResult r = Run({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "secret"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Encryption successful !"));
    EXPECT_EQ(Memory(uid)[0x29 * 4 + 3], 0x00);
    r = Run({"clear-key"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "Authentication key fail !")) << r.out;
    r = Run({"clear-key", "--original-key", "0a0b0c0d"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Password cleared successfully !"));

    r = Run({"write", "text", "--lock", "--lock-config", "final"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Has(r, "   3  Lock tag success !\n   4  Configuration locked !\n")) << r.out;
    EXPECT_EQ(Memory(uid)[0x2A * 4], 0x40);
    r = Run({"write", "text", "other"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "Write faild: Page4 !")) << r.out;
    EXPECT_TRUE(Has(Run({"read", "text"}), "text: final\n"));
}

// Erase through the window's controller and the reader library: a protected tag needs its key
// and ends in its delivery state with the default password, the journal says "erase", and a
// locked tag is refused with nothing written.
TEST_F(Cli, EraseGivesATagBackItsDeliveryStateUnlessItIsLocked) {
    const std::string uid = NewTag("NTAG213", "datasheet");
    const Bytes delivered = Memory(uid);
    const std::string journal = (directory() / "journal.csv").string();
    ASSERT_EQ(
        Run({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "a longer message"}).exitCode,
        0);
    ToolResult r = Run({"erase", "--journal", journal});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "   2  Authentication key fail !\n")) << r.out;
    r = Run({"erase", "--original-key", "0a0b0c0d", "--journal", journal});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(
        Has(r, "   2  The tag's password is now 7C7C7C7C !\n   3  Tag erased successfully !\n"))
        << r.out;
    Bytes expected = delivered;
    for (int i = 0; i < 4; ++i)
        expected[0x2B * 4 + i] = 0x7C;
    EXPECT_EQ(Memory(uid), expected);
    const ToolResult records = Run({"journal", "--journal", journal});
    EXPECT_TRUE(std::regex_search(
        records.out, std::regex(",erase,single,.*,failure,Authentication key fail !,")))
        << records.out;
    EXPECT_TRUE(std::regex_search(records.out, std::regex(",erase,single,.*,success,")))
        << records.out;

    ASSERT_EQ(Run({"write", "text", "--lock", "final"}).exitCode, 0);
    const Bytes locked = Memory(uid);
    r = Run({"erase", "--no-journal"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "   2  Tag is locked !\n")) << r.out;
    EXPECT_EQ(Memory(uid), locked);
}

// The NFC counter switched on by Write and shown by Read, plain and JSON; protected it is not
// shown; a model without one fails after its message was written.
TEST_F(Cli, TheNfcCounterCountsReadsAndReadShowsIt) {
    std::string uid = NewTag("NTAG215", "plain");
    ToolResult r = Run({"write", "url", "--counter", "--no-journal", "example.com"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "   3  NFC counter on !\n")) << r.out;
    EXPECT_EQ(Memory(uid)[0x84 * 4], 0x10);
    r = Run({"read", "url", "--no-journal"});
    EXPECT_TRUE(Has(r, "   4  Counter: 2\n")) << r.out;  // the write's read-back counted first
    EXPECT_TRUE(Has(r, "url: example.com\ncounter: 2\nsignature: not NXP\n")) << r.out;
    r = Run({"--json", "read", "url", "--no-journal"});
    EXPECT_TRUE(Has(r, "\"url\":\"example.com\",\"counter\":3,\"genuine\":false}")) << r.out;

    // A counter that cannot be read leaves the Read a success, without it.
    SimOk({"fault", "fail", "TyA_NTAG_ReadCnt", "--reader", "SIM-0001", "--status", "0x20"});
    r = Run({"read", "url", "--no-journal"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "url: example.com\n")) << r.out;
    EXPECT_FALSE(Has(r, "ounter")) << r.out;

    ASSERT_EQ(Run({"write", "url", "--counter-protected", "--no-journal", "example.com"}).exitCode,
              0);
    EXPECT_EQ(Memory(uid)[0x84 * 4], 0x18);
    r = Run({"read", "url", "--no-journal"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(Has(r, "ounter")) << r.out;

    uid = NewTag("NTAG212", "plain");
    r = Run({"write", "text", "--counter", "--no-journal", "x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "   2  Write data succeed: x\n   3  The tag has no NFC counter !\n"))
        << r.out;
}

// The originality signature: read names it, --genuine-only refuses a look-alike with status 1.
TEST_F(Cli, ReadNamesTheSignatureAndGenuineOnlyRefusesALookAlike) {
    NewTag("NTAG215", "plain");
    ASSERT_EQ(Run({"write", "text", "--no-journal", "x"}).exitCode, 0);
    ToolResult r = Run({"write", "text", "--genuine-only", "--no-journal", "y"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "   2  Not a genuine NXP chip: nothing was written !\n")) << r.out;
    r = Run({"read", "text", "--no-journal"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "text: x\nsignature: not NXP\n")) << r.out;

    EmptyTheField();
    SimOk({"tag", "new", "--uid", "04AB87F2CA1190", "--signature",
           "67B1750BCCEB1174F9A33BF20E0226551A6366939B31F949848C3C087350FA90", "--reader",
           "SIM-0001"});
    EXPECT_EQ(Run({"write", "text", "--genuine-only", "--no-journal", "x"}).exitCode, 0);
    r = Run({"--json", "read", "text", "--no-journal"});
    EXPECT_TRUE(Has(
        r, "\"text\":\"Genuine NXP NTAG213\",\"code\":0,\"errorCode\":\"\",\"colour\":\"blue\""))
        << r.out;
    EXPECT_TRUE(Has(r, "\"genuine\":true}")) << r.out;
    const ToolResult bad = Sim({"tag", "new", "--signature", "00"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.out.find("a signature is 64 hex digits"), std::string::npos) << bad.out;
}

// The attempt limit set with the password: two wrong keys, and the tag refuses the right one too.
TEST_F(Cli, AnAttemptLimitEndsEveryKeyOnceReached) {
    const std::string uid = NewTag("NTAG213", "plain");
    ToolResult r = Run({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "--authlim", "2",
                        "--no-journal", "x"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r,
                    "   3  The tag's password is now the New key !\n   4  Wrong keys allowed: 2 !\n"
                    "   5  Encryption successful !\n"))
        << r.out;
    EXPECT_EQ(Memory(uid)[0x2A * 4] & 0x07, 2);
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_TRUE(Has(Run({"clear-key", "--no-journal"}), "Authentication key fail !"));
    r = Run({"clear-key", "--original-key", "0a0b0c0d", "--no-journal"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "Authentication key fail !")) << r.out;
    EXPECT_EQ(Memory(uid)[0x29 * 4 + 3], 0x00);  // still protected
}

// Read-write protection: without the key a tag answers no READ, and Read opens it with the
// original key; a password for writes only, and Clear key, take PROT off again.
TEST_F(Cli, ReadWriteProtectionNeedsTheKeyToRead) {
    const std::string uid = NewTag("NTAG215", "plain");
    // A tag whose reads are free and that refuses one READ had a fault: the Read fails as it
    // did, and no key is spent on it.
    SimOk({"fault", "fail", "TyA_NTAG_Read", "--reader", "SIM-0001", "--nth", "1", "--status",
           "0x20"});
    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    ToolResult r = Run({"read", "text", "--no-journal"});
    EXPECT_TRUE(Has(r, "   2  Read faild: Page3 !\n")) << r.out;
    EXPECT_EQ(SimOk({"stats", "--reader", "SIM-0001"}).find("TyA_NTAG_PwdAuth"), std::string::npos);
    r = Run({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "--protect", "read-write",
             "--counter-protected", "--verify", "--no-journal", "hidden"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r,
                    "   3  The tag's password is now the New key !\n"
                    "   4  Reads need the key too !\n   5  Encryption successful !\n"))
        << r.out;
    EXPECT_EQ(Memory(uid)[0x84 * 4] & 0x80, 0x80);
    // The default key is tried, and refused; then the right one opens the message and the
    // counter its password protects.
    r = Run({"read", "text", "--no-journal"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "   2  Authentication key fail !\n")) << r.out;
    EXPECT_FALSE(Has(r, "hidden"));
    r = Run({"read", "text", "--original-key", "0A0B0C0D", "--no-journal"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "text: hidden\ncounter: ")) << r.out;
    // Without the key, Write and Erase fail as a wrong key does, with nothing written; a Write
    // that sets that key as the New key (a resumed batch's tag may hold it already) opens it.
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"write", "text", "--no-journal", "other"},
          std::vector<std::string>{"erase", "--no-journal"}}) {
        r = Run(words);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Has(r, "Authentication key fail !\n")) << r.out;
    }
    r = Run({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "--protect", "read-write",
             "--no-journal", "hidden again"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    // The same key, writes only: reads are free again, and no key is needed to read.
    r = Run({"write", "text", "--original-key", "0A0B0C0D", "--encrypt", "--new-key", "0A0B0C0D",
             "--protect", "write", "--no-journal", "open"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_FALSE(Has(r, "Reads need the key too !"));
    EXPECT_EQ(Memory(uid)[0x84 * 4] & 0x80, 0);
    EXPECT_TRUE(Has(Run({"read", "text", "--no-journal"}), "text: open\n"));
    ASSERT_EQ(Run({"write", "text", "--original-key", "0A0B0C0D", "--encrypt", "--new-key",
                   "0A0B0C0D", "--protect", "read-write", "--no-journal", "again"})
                  .exitCode,
              0);
    r = Run({"clear-key", "--original-key", "0A0B0C0D", "--no-journal"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(Memory(uid)[0x84 * 4] & 0x80, 0);
    EXPECT_TRUE(Has(Run({"read", "text", "--no-journal"}), "text: again\n"));
    // Erase with the key gives the tag its delivery state: PROT too.
    ASSERT_EQ(Run({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "--protect", "read-write",
                   "--no-journal", "last"})
                  .exitCode,
              0);
    r = Run({"erase", "--original-key", "0A0B0C0D", "--no-journal"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(Memory(uid)[0x84 * 4] & 0x80, 0);
    EXPECT_EQ(Memory(uid)[0x83 * 4 + 3], 0xFF);
}

// The UID and counter mirror: the room where {mirror} stands or at the end, the tag filling it in
// at every read, as a phone then shows the URL; what a model cannot mirror is refused before
// writing.
TEST_F(Cli, TheMirrorPutsTheUidAndCounterIntoTheUrl) {
    EmptyTheField();
    SimOk({"tag", "new", "--model", "NTAG215", "--uid", "04A1B2C3D4E5F6", "--reader", "SIM-0001"});
    ToolResult r = Run({"write", "url", "--prefix", "4", "--mirror", "both", "--verify",
                        "--no-journal", "example.com/t?u={mirror}"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r,
                    "   2  Write data succeed: example.com/t?u=00000000000000x000000\n"
                    "   3  Mirror on: UID and counter !\n   4  NFC counter on !\n"))
        << r.out;
    r = Run({"read", "url", "--no-journal"});
    EXPECT_TRUE(Has(r, "url: example.com/t?u=04A1B2C3D4E5F6x000002\n")) << r.out;
    r = Run({"read", "url", "--no-journal"});
    EXPECT_TRUE(Has(r, "url: example.com/t?u=04A1B2C3D4E5F6x000003\n")) << r.out;

    r = Run({"write", "poster", "--title", "Hi", "--mirror", "uid", "--no-journal",
             "example.com/{mirror}/x"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(Run({"read", "poster", "--no-journal"}),
                    "url: example.com/04A1B2C3D4E5F6/x\ntitle: Hi\n"));
    // A Write without the mirror, and Erase, switch the one left on off again.
    const auto mirrorConf = [&] { return Memory("04A1B2C3D4E5F6")[0x83 * 4] >> 6; };
    EXPECT_EQ(mirrorConf(), 1);
    ASSERT_EQ(Run({"write", "url", "--verify", "--no-journal", "example.com/plain"}).exitCode, 0);
    EXPECT_EQ(mirrorConf(), 0);
    EXPECT_TRUE(Has(Run({"read", "url", "--no-journal"}), "url: example.com/plain\n"));
    ASSERT_EQ(Run({"write", "url", "--mirror", "counter", "--no-journal", "e.x/"}).exitCode, 0);
    EXPECT_EQ(mirrorConf(), 2);
    ASSERT_EQ(Run({"erase", "--no-journal"}).exitCode, 0);
    EXPECT_EQ(mirrorConf(), 0);

    // NTAG212 mirrors its UID (MIRROR_PAGE alone switches it on), and has no counter to mirror:
    // that is refused before anything is written, as any mirror is on NTAG203.
    const std::string plain = NewTag("NTAG212", "plain");
    r = Run({"write", "url", "--mirror", "uid", "--verify", "--no-journal", "x.y/?u={mirror}"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(Run({"read", "url", "--no-journal"}), "url: x.y/?u=" + plain + "\n"));
    // 03 L D1 01 PL 55 prefix "x.y/?u=" from byte 16: the room starts at byte 30, page 7 byte 2.
    EXPECT_EQ(Memory(plain)[0x25 * 4], 0x24);  // MIRROR_BYTE 2 beside the bits as delivered
    EXPECT_EQ(Memory(plain)[0x25 * 4 + 2], 0x07);
    ASSERT_EQ(Run({"write", "url", "--no-journal", "x.y/"}).exitCode, 0);
    EXPECT_EQ(Memory(plain)[0x25 * 4 + 2], 0x00);
    for (const std::string model : {"NTAG212", "NTAG203"}) {
        const std::string held = NewTag(model, "plain");
        r = Run({"write", "url", "--mirror", model == "NTAG203" ? "uid" : "counter", "--no-journal",
                 "https://x.y/"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Has(r, "   2  The tag cannot mirror its UID or counter here !\n")) << r.out;
        EXPECT_EQ(Memory(held)[16], 0x03);
        EXPECT_EQ(Memory(held)[17], 0x00);  // still the empty message
    }
    // Without --mirror, {mirror} is an unknown template field.
    r = Run({"write", "url", "--templates", "--no-journal", "x.y/{mirror}"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r, "--templates: ")) << r.out;
    r = Run({"write", "url", "--mirror", "all", "--no-journal", "https://x.y/"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r, "--mirror takes uid, counter or both")) << r.out;
}

// The PACK: chosen with --pack or derived from the key, written by --encrypt, and checked at every
// PWD_AUTH: a tag that answers a key with another PACK fails the run before anything is written.
TEST_F(Cli, APackIsWrittenWithThePasswordAndCheckedAtEveryAuthentication) {
    const std::string uid = NewTag("NTAG213", "plain");
    const auto packPage = [&] {
        const auto memory = Memory(uid);
        return std::vector<std::uint8_t>(memory.begin() + 0x2C * 4, memory.begin() + 0x2D * 4);
    };
    ASSERT_EQ(
        Run({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "--no-journal", "x"}).exitCode,
        0);
    EXPECT_EQ(packPage(), (std::vector<std::uint8_t>{0x06, 0x06, 0x00, 0x00}));  // 0A^0C, 0B^0D
    ASSERT_EQ(Run({"write", "text", "--original-key", "0A0B0C0D", "--encrypt", "--new-key",
                   "11223344", "--pack", "abcd", "--no-journal", "y"})
                  .exitCode,
              0);
    EXPECT_EQ(packPage(), (std::vector<std::uint8_t>{0xAB, 0xCD, 0x00, 0x00}));

    // Without the chosen PACK the tag's answer gives it away; with it the key is cleared, and the
    // factory PACK comes back.
    ToolResult r = Run({"clear-key", "--original-key", "11223344", "--no-journal"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(
        r, "   1  Password acknowledge does not match: the tag takes keys it was not given !\n"))
        << r.out;
    EXPECT_EQ(Memory(uid)[0x29 * 4 + 3], 0x00);  // still protected
    r = Run({"clear-key", "--original-key", "11223344", "--pack", "ABCD", "--no-journal"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(packPage(), (std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x00}));

    // A look-alike that took the key with a PACK of its own: Write stops at the authentication.
    ASSERT_EQ(
        Run({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "--no-journal", "x"}).exitCode,
        0);
    SimOk({"tag", "poke", uid, "0x2C", "5A5A0000"});
    r = Run({"write", "text", "--original-key", "0A0B0C0D", "--no-journal", "z"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "Password acknowledge does not match")) << r.out;
    EXPECT_FALSE(Has(r, "Write data succeed")) << r.out;

    r = Run({"write", "text", "--encrypt", "--pack", "12", "--no-journal", "x"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r, "--pack takes 4 hex digits")) << r.out;
}

// Protection the tag did not take is a failure: exit status 1, no success line, and the journal
// records the failure with its line. Here an NTAG21x NAKs GET_VERSION and READ_SIG, as an
// NTAG203 would.
TEST_F(Cli, ProtectionATagCannotTakeFailsAndIsJournaledSo) {
    const auto refuseIdentity = [this] {
        SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", "0x20"});
        SimOk({"fault", "fail", "TyA_NTAG_ReadSig", "--reader", "SIM-0001", "--status", "0x20"});
    };
    const std::string journal = (directory() / "journal.csv").string();
    for (const bool verify : {false, true}) {
        SCOPED_TRACE(verify);
        const std::string uid = NewTag("NTAG213", "plain");
        refuseIdentity();
        std::vector<std::string> words{"write", "text", "--encrypt", "--journal", journal, "x"};
        if (verify) words.insert(words.begin() + 2, "--verify");
        const ToolResult r = Run(words);
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_TRUE(Has(r, "   3  The tag does not support password protection !\n")) << r.out;
        EXPECT_FALSE(Has(r, "   4 ")) << r.out;
        EXPECT_EQ(Memory(uid)[0x29 * 4 + 3], 0xFF);  // not protected
    }
    const ToolResult records = Run({"journal", "--journal", journal});
    // The key fingerprint is keyed with the operator's secret: only its place is known here.
    const std::regex refusedRecord(
        ",on,[0-9a-f]{4},off,failure,The tag does not support password protection !,");
    EXPECT_TRUE(std::regex_search(records.out, refusedRecord)) << records.out;
    EXPECT_EQ(records.out.find(",success,"), std::string::npos) << records.out;

    // Clear key authenticated: the tag answers to a password, so it is no NTAG203.
    std::string uid = NewTag("NTAG213", "plain");
    SimOk({"tag", "poke", uid, "0x29", "04000000"});
    SimOk({"tag", "poke", uid, "0x2B", "7C7C7C7C"});
    refuseIdentity();
    ToolResult r = Run({"clear-key", "--no-journal"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "Failed to recognize the tag model !")) << r.out;
    EXPECT_EQ(Memory(uid)[0x29 * 4 + 3], 0x00);

    // An NTAG212 taken for an NTAG203: refused by its capability container, untouched.
    uid = NewTag("NTAG212", "datasheet");
    const Bytes factory = Memory(uid);
    refuseIdentity();
    r = Run({"write", "text", "--encrypt", "--lock", "--no-journal", "x"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_FALSE(Has(r, "Lock tag success !")) << r.out;
    EXPECT_EQ(Memory(uid), factory);
}

TEST_F(Cli, BatchFromEachFormatThroughTheConveyor) {
    for (const char* format : {"xls", "xlsx", "csv"}) {
        SCOPED_TRACE(format);
        EmptyTheField();
        const std::string uids = SimOk({"queue", "--reader", "SIM-0001", "--count", "2",
                                        "--gap-polls", "1", "--layout", "plain"});
        const ToolResult r =
            Run({"write", "text", "--from-file", Fixture(std::string("rows.") + format), "--auto",
                 "--count", "2", "--no-check"});
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_TRUE(Has(r, "File Loading Successfully !"));
        EXPECT_TRUE(Has(r, "Summary: 2 tags handled, 2 succeeded, 0 failed")) << r.out;
        const auto second = Memory(uids.substr(15, 14));
        const std::string chinese = "中文内容";
        EXPECT_EQ(std::string(second.begin() + 25, second.begin() + 25 + 12), chinese);
    }
}

TEST_F(Cli, TheSameRowForEveryTagAndAnExhaustedBatch) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    SimOk({"queue", "--reader", "SIM-0001", "--count", "3", "--layout", "plain"});
    ToolResult r = Run({"write", "url", "--from-file", Fixture("rows.csv"), "--row", "8",
                        "--no-row-auto", "--auto", "--count", "2", "--no-check"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Write data succeed: row 8\n"));

    // After row 10 there is none: the batch ends by itself, and its last tag holds its row.
    r = Run({"write", "text", "--from-file", Fixture("rows.csv"), "--row", "10", "--auto",
             "--no-check"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Unrecognizable character types !")) << r.out;
    EXPECT_TRUE(Has(r, "Summary: 1 tags handled, 1 succeeded, 0 failed")) << r.out;
    EXPECT_TRUE(Has(r, "the sheet's rows ran out")) << r.out;
}

TEST_F(Cli, ARowThatDidNotLoadTouchesNoTag) {
    for (const char* row : {"4", "7", "0", "abc", "11"}) {
        SCOPED_TRACE(row);
        const std::string uid = NewTag("NTAG213", "plain");
        const auto before = Memory(uid);
        for (const bool autoOperation : {false, true}) {
            std::vector<std::string> words{"write", "text", "--from-file", Fixture("rows.csv"),
                                           "--row", row,    "--lock"};
            // Past the pre-flight check, which would refuse the batch: the run itself must too.
            if (autoOperation) words.insert(words.end(), {"--auto", "--no-check"});
            const ToolResult r = Run(words);
            EXPECT_EQ(r.exitCode, 1) << r.out;
            EXPECT_FALSE(Has(r, "Write data succeed")) << r.out;
            // Reported once: by the Write, not by the load before it too.
            const std::string message = std::string(row) == "0" || std::string(row) == "abc"
                                            ? "The row number should be greater than 0 !"
                                            : "Unrecognizable character types !";
            std::size_t times = 0;
            for (auto at = r.out.find(message); at != std::string::npos;
                 at = r.out.find(message, at + 1))
                ++times;
            EXPECT_EQ(times, 1u) << r.out;
            EXPECT_EQ(Memory(uid), before);
        }
    }
}

TEST_F(Cli, ABatchThatStopsAtARowThatDoesNotLoadFails) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    SimOk({"queue", "--reader", "SIM-0001", "--count", "3", "--layout", "plain"});
    // Row 3 is written; row 4 holds a number, so the batch cannot go on.
    ToolResult r = Run({"write", "text", "--from-file", Fixture("rows.csv"), "--row", "3", "--auto",
                        "--no-check"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "Summary: 1 tags handled, 1 succeeded, 0 failed")) << r.out;
    EXPECT_TRUE(Has(r, "stopped: row 4 did not load")) << r.out;
    // One tag alone, from the last row: written, and the sheet has simply ended.
    NewTag("NTAG213", "plain");
    r = Run({"write", "text", "--from-file", Fixture("rows.csv"), "--row", "10"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Write data succeed: last")) << r.out;
}

TEST_F(Cli, OneProgramAtATimeOnAReaderAndTheHoldDiesWithItsHolder) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    const std::string tool = (reader::ExecutableDirectory() / "tagwright-cli").string();
    const std::string log = (directory() / "holder.out").string();
    // The holder waits for a tag; the second program must be refused while it runs, and may
    // open the reader once the holder was killed without closing anything.
    const ToolResult r = RunProgram(
        "'" + tool + "' read text --auto > '" + log + "' 2>&1 & holder=$!; " +
        "for i in $(seq 100); do grep -q 'Open device' '" + log +
        "' && break; sleep 0.05; done; '" + tool + "' write text second; echo \"second=$?\"; " +
        "{ kill -9 $holder; wait $holder; } 2>/dev/null; '" + tool + "' readers >/dev/null; '" +
        tool + "' --json read text; echo \"third=$?\"");
    EXPECT_TRUE(Has(r, "Error:0x0c,Function:Sys_Open")) << r.out;
    EXPECT_TRUE(Has(r, "second=3")) << r.out;
    EXPECT_TRUE(Has(r, "Open device successfully !")) << r.out;
    EXPECT_TRUE(Has(r, "third=1")) << r.out;  // opened; no tag in the field to read
}

TEST_F(Cli, CtrlCEndsAutoOperationWithASummary) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    const std::string tool = (reader::ExecutableDirectory() / "tagwright-cli").string();
    const auto waited = [](const std::string& out) {
        std::size_t count = 0;
        for (auto at = out.find("Waiting for card"); at != std::string::npos;
             at = out.find("Waiting for card", at + 1)) {
            ++count;
        }
        return count;
    };
    ToolResult r = RunProgram("'" + tool +
                              "' --json read text --auto & sleep 1.5; "
                              "kill -INT $!; wait $!");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "{\"type\":\"summary\",\"handled\":0,\"succeeded\":0,\"failed\":0,"))
        << r.out;
    EXPECT_GT(waited(r.out), 1u);  // JSON has every line of every poll
    // On a terminal or in a file, waiting for a card ten times a second is printed once.
    r = RunProgram("'" + tool + "' read text --auto & sleep 1.5; kill -INT $!; wait $!");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Summary: 0 tags handled")) << r.out;
    EXPECT_EQ(waited(r.out), 1u) << r.out;
}

// A core dump of a program that holds the tag's keys would hold them in the clear.
TEST_F(Cli, ProgramsThatHoldKeysLeaveNoCoreDump) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit any{RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_CORE, &any);
        secrets::ForbidCoreDumps();
        rlimit core{};
        ::getrlimit(RLIMIT_CORE, &core);
        ::_exit(::prctl(PR_GET_DUMPABLE) == 0 && core.rlim_cur == 0 && core.rlim_max == 0 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    // Each program is asked while it runs: tagwright-cli waiting for a tag, the window open.
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    const std::string bin = reader::ExecutableDirectory().string();
    const std::string home = (directory() / "home").string();
    for (const std::string& program :
         std::vector<std::string>{"'" + bin + "/tagwright-cli' read text --auto",
                                  "HOME='" + home + "' XDG_CONFIG_HOME='" + home +
                                      "' QT_QPA_PLATFORM=offscreen '" + bin + "/tagwright'"}) {
        SCOPED_TRACE(program);
        const ToolResult r = RunProgram(
            "ulimit -S -c unlimited || exit 77; " + program +
            " >/dev/null 2>&1 & pid=$!; "
            // Until main() has run, the limit is the shell's: asked again for up to 10 s.
            "for i in $(seq 50); do sleep 0.2; "
            "core=$(awk '/^Max core file size/ {print $5, $6}' /proc/$pid/limits); "
            "[ \"$core\" = '0 0' ] && break; done; echo \"$core\"; kill $pid; wait $pid; exit 0");
        if (r.exitCode == 77) GTEST_SKIP() << "core dumps cannot be allowed here (hard limit 0)";
        EXPECT_EQ(r.out, "0 0\n");  // the soft and the hard limit
    }
}

TEST_F(Cli, JsonLinesParseBack) {
    NewTag("NTAG213", "plain");
    const std::string tool = (reader::ExecutableDirectory() / "tagwright-cli").string();
    const std::string check =
        "'" + tool + "' --json write url --prefix 2 'exa\"mple.org' && '" + tool +
        "' --json read url | /usr/bin/python3 -c \"import json,sys\n"
        "objs=[json.loads(l) for l in sys.stdin]\n"
        "r=[o for o in objs if o['type']=='result'][0]\n"
        "assert r['prefix']=='https://www.' and r['url']=='exa\\\"mple.org', r\n"
        "logs=[o for o in objs if o['type']=='log']\n"
        "assert [o['number'] for o in logs]==[1,2,3], logs\n"
        "assert logs[1]['text']=='Read data succeed !' and logs[1]['colour']=='blue'\n"
        "assert logs[2]['colour']=='red' and r['genuine'] is False, (logs, r)\n"
        "assert objs[0]=={'type':'status','text':'Open device successfully !','colour':'blue'}\n"
        "print('parsed', len(objs))\"";
    const ToolResult r = RunProgram(check);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "parsed")) << r.out;
}

TEST_F(Cli, UsageErrorsAndMissingReaders) {
    // Every refusal's words are checked where the line is parsed (CliOptions); here, that the
    // program prints it and stops with status 2 before it looks for a reader.
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"write", "text", "--new-key", "7C7C7C7C7", "--encrypt", "x"},
        {"write", "text", "caf\xE9"},  // Latin-1, not UTF-8
        {"write", "text", "--from-file", Fixture("rows.csv"), "--resume", "--no-journal"},
    };
    for (const auto& words : bad) {
        const ToolResult r = Run(words);
        EXPECT_EQ(r.exitCode, 2) << (words.empty() ? "" : words[0]) << r.out;
        EXPECT_TRUE(Has(r, "tagwright-cli: ")) << r.out;
        EXPECT_TRUE(Has(r, "(see tagwright-cli --help)\n")) << r.out;
    }
    EXPECT_TRUE(Has(Run({}), "tagwright-cli: missing command\n"));
    EXPECT_EQ(Run({"--help"}).exitCode, 0);
    EXPECT_TRUE(Has(Run({"--reader", "NOPE", "read", "text"}), "no reader NOPE"));
    EXPECT_EQ(Run({"--reader", "NOPE", "read", "text"}).exitCode, 3);
    SimOk({"reader", "detach", "SIM-0001"});
    const ToolResult none = Run({"read", "text"});
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_TRUE(Has(none, "Please select a device !")) << none.out;
}

TEST_F(Cli, TextThatIsNotUtf8NeverReachesATagAndAlwaysPrintsSafely) {
    const std::string uid = NewTag("NTAG213", "plain");
    const auto before = Memory(uid);
    ToolResult r = Run({"write", "text", "--stdin"}, "caf\xE9\n");
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_EQ(Memory(uid), before);
    // A text beginning with -- after the end of the options.
    r = Run({"write", "text", "--", "--dashes"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(Run({"read", "text"}), "text: --dashes\n"));

    // Another tool left Latin-1 and a zero byte in a Text record labelled UTF-8.
    SimOk({"tag", "poke", uid, "4", "030DD101"});
    SimOk({"tag", "poke", uid, "5", "09540265"});
    SimOk({"tag", "poke", uid, "6", "6E636166"});
    SimOk({"tag", "poke", uid, "7", "E9007AFE"});
    r = Run({"read", "text"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "text: caf\\xE9\\x00z\n")) << r.out;  // every byte, none cut
    const std::string tool = (reader::ExecutableDirectory() / "tagwright-cli").string();
    r = RunProgram(
        "'" + tool +
        "' --json read text | /usr/bin/python3 -c \"import json,sys\n"
        "objs=[json.loads(l) for l in sys.stdin.buffer.read().decode('utf-8').splitlines()]\n"
        "res=[o for o in objs if o['type']=='result'][0]\n"
        "assert res['text']=='caf\\ufffd\\x00z', res\n"
        "assert res['textHex']=='636166E9007A', res\n"
        "print('parsed', len(objs))\"");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "parsed")) << r.out;
}

TEST_F(Cli, ClearKeyWithTheAutoOperationBox) {
    const std::string uid = NewTag("NTAG213", "plain");
    SimOk({"tag", "poke", uid, "0x29", "04000000"});
    SimOk({"tag", "poke", uid, "0x2B", "7C7C7C7C"});
    const ToolResult r = Run({"clear-key", "--auto"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Password cleared successfully !")) << r.out;
    EXPECT_TRUE(Has(r, "Waiting for the card to be removed ......")) << r.out;
    EXPECT_EQ(Memory(uid)[0x29 * 4 + 3], 0xFF);
}

TEST_F(Cli, ADamagedSimulatorDirectoryIsNamed) {
    SimOk({"readers"});  // the first use makes the directory
    const auto state = directory() / "state";
    std::filesystem::resize_file(state, std::filesystem::file_size(state) / 2);
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{"readers"}, {"read", "text"}}) {
        const ToolResult r = Run(words);
        EXPECT_EQ(r.exitCode, 3) << r.out;
        EXPECT_TRUE(Has(r, "simulated readers unavailable: ")) << r.out;
        EXPECT_TRUE(Has(r, state.string())) << r.out;
    }
}

TEST_F(Cli, ShortKeysAndMissingFiles) {
    NewTag("NTAG213", "plain");
    ToolResult r = Run({"write", "text", "--original-key", "123", "x"});
    EXPECT_EQ(r.exitCode, 2);  // a key is checked with the other arguments
    EXPECT_TRUE(Has(r, "--original-key takes exactly 8 hexadecimal digits")) << r.out;
    r = Run({"write", "text", "--from-file", Fixture("missing.xls")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "Tips: Failed to load file !")) << r.out;
}

TEST_F(Cli, VerboseReadersNameTheBackendOfEachReader) {
    ToolResult r = Run({"readers", "--verbose"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "SIM-0001\n  backend: sim\n  ATR: (none)\n  personality: simulated\n"))
        << r.out;
    r = Run({"--json", "readers", "--verbose"});
    EXPECT_TRUE(Has(r, "\"serial\":\"SIM-0001\",\"backend\":\"sim\"")) << r.out;
    EXPECT_EQ(Run({"read", "text", "--verbose"}).exitCode, 2);
}

TEST_F(Cli, ReadersNameAStoppedPcscService) {
#ifndef TAGWRIGHT_WITH_PCSC
    GTEST_SKIP() << "built without pcsc-lite (CARDHOST_WITH_PCSC off)";
#else
    // The PC/SC client looks for its service here: nothing listens, as when pcscd is stopped.
    setenv("PCSCLITE_CSOCK_NAME", (directory() / "no-pcscd.comm").c_str(), 1);
    setenv("CARDHOST_BACKENDS", "pcsc", 1);
    ToolResult r = Run({"readers"});
    EXPECT_EQ(r.exitCode, 3) << r.out;
    EXPECT_TRUE(Has(r, "PC/SC readers unavailable: the PC/SC service (pcscd) is not running"))
        << r.out;
    // With the simulator beside it, its readers are listed and nothing is said.
    setenv("CARDHOST_BACKENDS", "pcsc,sim", 1);
    r = Run({"readers"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "SIM-0001\n");
    unsetenv("PCSCLITE_CSOCK_NAME");
#endif
}

}  // namespace
}  // namespace tagwright::testing
