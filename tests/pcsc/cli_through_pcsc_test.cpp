// SPDX-License-Identifier: MIT
// tagwright-cli through the reader library's PC/SC backend, a private pcscd and the fake card,
// for reader personalities A and B: every command leaves the same tag bytes and prints the same
// lines as the same command on the simulator, with the same tag to begin with. Personality C
// refuses cleanly. Run through run-in-private-pcscd.sh.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <thread>

#include "cardhost/sim/tag_file.h"
#include "fake_card_process.h"
#include "pcsc_client.h"
#include "support/sim_env.h"
#include "tools/common/shell_words.h"

namespace tagwright::pcsc_testing {
namespace {

using namespace std::chrono_literals;
using cardhost::sim::NtagChip;
using testing::RunProgram;
using testing::ToolResult;

constexpr const char* kSimReader = "SIM-0001";

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Has(const ToolResult& r, const std::string& text) {
    return r.out.find(text) != std::string::npos;
}

class ThroughPcsc : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string missing = HarnessMissing(); !missing.empty()) GTEST_SKIP() << missing;
        std::string pattern = (std::filesystem::temp_directory_path() / "tw-sim-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        simDir_ = pattern;
        ASSERT_TRUE(client_.Establish()) << ErrorText(client_.lastError());
    }

    void TearDown() override {
        if (card_ && card_->Stop()) {
            EXPECT_TRUE(client_.WaitForCard(kFirstReader, false, 5s));
        }
        std::error_code ignored;
        if (!simDir_.empty()) std::filesystem::remove_all(simDir_, ignored);
    }

    ToolResult Sim(const std::vector<std::string>& words) {
        return RunProgram("CARDHOST_SIM_DIR=" + tools::ShellQuote(simDir_.string()) + " " +
                          tools::ShellCommand((ProgramFolder() / "cardhost-sim").string(), words));
    }
    void SimOk(const std::vector<std::string>& words) {
        const ToolResult r = Sim(words);
        ASSERT_EQ(r.exitCode, 0) << r.out;
    }

    // tagwright-cli on one backend: "pcsc" on the first virtual reader, "sim" on SIM-0001.
    ToolResult Cli(const std::string& backend, std::vector<std::string> words) {
        return RunProgram(CliCommand(backend, std::move(words)));
    }
    std::string CliCommand(const std::string& backend, std::vector<std::string> words) {
        words.insert(words.begin(), {"--reader", backend == "sim" ? kSimReader : kFirstReader});
        // Bounded: a hanging call fails its test instead of the whole run.
        return "timeout 60 env CARDHOST_SIM_DIR=" + tools::ShellQuote(simDir_.string()) +
               " CARDHOST_BACKENDS=" + backend + " " +
               tools::ShellCommand((ProgramFolder() / "tagwright-cli").string(), words);
    }
    const std::filesystem::path& simDir() const { return simDir_; }

    // The same new tag in SIM-0001's field and on the first virtual reader.
    void PlaceTag(const std::string& personality, const std::string& model,
                  const std::string& layout, std::vector<std::string> cardOptions = {}) {
        // A new UID each time: the simulator keeps every tag it made.
        char uid[15];
        std::snprintf(uid, sizeof uid, "04A1B2C3D4E5%02X", ++tags_);
        PlaceMadeTag(personality, {"--model", model, "--layout", layout, "--uid", uid},
                     std::move(cardOptions));
    }
    // An NTAG213 with a real chip's UID and originality signature.
    void PlaceRealChip(const std::string& personality) {
        PlaceMadeTag(personality,
                     {"--layout", "plain", "--uid", "04AB87F2CA1190", "--signature",
                      "67B1750BCCEB1174F9A33BF20E0226551A6366939B31F949848C3C087350FA90"},
                     {});
    }
    // The simulator makes the tag with `made` (which names its --uid), and the card starts from
    // the simulator's file of it.
    void PlaceMadeTag(const std::string& personality, std::vector<std::string> made,
                      std::vector<std::string> cardOptions) {
        Sim({"tag", "remove", "--reader", kSimReader});
        uid_ = *(std::find(made.begin(), made.end(), "--uid") + 1);
        made.insert(made.begin(), {"tag", "new"});
        made.insert(made.end(), {"--reader", kSimReader});
        SimOk(made);
        cardOptions.insert(cardOptions.end(), {"--personality", personality, "--tag-file",
                                               (simDir_ / "tags" / (uid_ + ".tag")).string()});
        ASSERT_TRUE(client_.WaitForCard(kFirstReader, false, 5s)) << "a card from before";
        card_ = std::make_unique<FakeCardProcess>(cardOptions);
        ASSERT_TRUE(card_->running());
        ASSERT_TRUE(client_.WaitForCard(kFirstReader, true, 10s)) << card_->Log();
    }

    NtagChip SimTag() {
        return cardhost::sim::ParseTag(ReadText(simDir_ / "tags" / (uid_ + ".tag")));
    }

    void ExpectSameTag() {
        const NtagChip real = card_->Tag();
        const NtagChip simulated = SimTag();
        EXPECT_EQ(real.memory(), simulated.memory());
        EXPECT_EQ(real.failedAuthentications(), simulated.failedAuthentications());
        EXPECT_EQ(real.nfcCounter(), simulated.nfcCounter());
    }

    // The command on the simulator, then through pcscd: the same lines, exit status and bytes.
    ToolResult Both(const std::vector<std::string>& words) {
        const ToolResult simulated = Cli("sim", words);
        const ToolResult real = Cli("pcsc", words);
        EXPECT_EQ(real.exitCode, simulated.exitCode) << real.out << "--- simulator:\n"
                                                     << simulated.out;
        EXPECT_EQ(real.out, simulated.out) << card_->Log();
        ExpectSameTag();
        return real;
    }

    PcscClient& client() { return client_; }
    const std::string& uid() const { return uid_; }
    FakeCardProcess& card() { return *card_; }

  private:
    std::filesystem::path simDir_;
    std::string uid_;
    int tags_ = 0;
    PcscClient client_;
    std::unique_ptr<FakeCardProcess> card_;
};

class PersonalityScenario : public ThroughPcsc,
                            public ::testing::WithParamInterface<const char*> {};

// --- every write and read kind ---------------------------------------------------------------

using WriteAndRead = PersonalityScenario;

TEST_P(WriteAndRead, EveryKindOnBothLayoutsLeavesTheSimulatorsBytes) {
    for (const char* layout : {"plain", "datasheet"}) {
        SCOPED_TRACE(layout);
        PlaceTag(GetParam(), "NTAG213", layout);
        EXPECT_TRUE(Has(Both({"write", "text", "abc"}), "Write data succeed: abc"));
        EXPECT_TRUE(Has(Both({"read", "text"}), "text: abc\n"));
        EXPECT_EQ(Both({"write", "url", "--prefix", "tel:", "0123456789"}).exitCode, 0);
        EXPECT_TRUE(Has(Both({"read", "url"}), "prefix: tel:\nurl: 0123456789\n"));
        EXPECT_EQ(
            Both({"write", "poster", "--prefix", "4", "--title", "Hi", "example.com"}).exitCode, 0);
        EXPECT_TRUE(Has(Both({"read", "poster"}), "title: Hi\n"));
        card().Stop();
    }
}

TEST_P(WriteAndRead, ALongTextOnTheLargerModelsWithTheNfcCounter) {
    for (const char* model : {"NTAG215", "NTAG216"}) {
        SCOPED_TRACE(model);
        PlaceTag(GetParam(), model, "datasheet");
        const std::string text(300, 'x');
        EXPECT_TRUE(Has(Both({"write", "text", "--counter", text}), "NFC counter on !"));
        // READ_CNT through the reader, counting the same activations as the simulator.
        EXPECT_TRUE(Has(Both({"read", "text"}), "text: " + text + "\ncounter: 2\n"));
        card().Stop();
    }
}

// The mirror through the reader: the card answers READ with the UID and counter in the URL, as
// the simulator does, on NTAG213 and on NTAG212.
TEST_P(WriteAndRead, TheUidAndCounterMirror) {
    PlaceTag(GetParam(), "NTAG213", "datasheet");
    EXPECT_EQ(Both({"write", "url", "--prefix", "4", "--mirror", "both", "--verify",
                    "example.com/t?u={mirror}"})
                  .exitCode,
              0);
    ToolResult r = Both({"read", "url"});
    EXPECT_TRUE(Has(r, "url: example.com/t?u=" + uid() + "x000002\n")) << r.out;
    card().Stop();
    // NTAG212 mirrors its UID without MIRROR_CONF.
    PlaceTag(GetParam(), "NTAG212", "plain");
    EXPECT_EQ(Both({"write", "url", "--mirror", "uid", "--verify", "e.x/{mirror}/"}).exitCode, 0);
    r = Both({"read", "url"});
    EXPECT_TRUE(Has(r, "url: e.x/" + uid() + "/\n")) << r.out;
    card().Stop();
}

// Read-write protection through the reader: the card refuses READ without the key, and Read
// opens it with the original key, as on the simulator.
TEST_P(WriteAndRead, ReadWriteProtection) {
    PlaceTag(GetParam(), "NTAG213", "plain");
    EXPECT_EQ(Both({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "--protect",
                    "read-write", "kept"})
                  .exitCode,
              0);
    EXPECT_TRUE(Has(Both({"read", "text"}), "Authentication key fail !"));
    EXPECT_TRUE(Has(Both({"read", "text", "--original-key", "0A0B0C0D"}), "text: kept\n"));
    card().Stop();
}

// READ_SIG through the reader: the simulator's tags are look-alikes, a real chip's signature is
// genuine, on the card as on the simulator.
TEST_P(WriteAndRead, TheOriginalitySignature) {
    PlaceTag(GetParam(), "NTAG212", "plain");
    ASSERT_EQ(Both({"write", "text", "x"}).exitCode, 0);
    ToolResult r = Both({"write", "text", "--genuine-only", "y"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "Not a genuine NXP chip: nothing was written !")) << r.out;
    EXPECT_TRUE(Has(Both({"read", "text"}), "text: x\nsignature: not NXP\n"));
    card().Stop();

    PlaceRealChip(GetParam());
    EXPECT_EQ(Both({"write", "text", "--genuine-only", "z"}).exitCode, 0);
    EXPECT_TRUE(Has(Both({"read", "text"}), "text: z\nsignature: genuine NXP\n"));
    card().Stop();
}

INSTANTIATE_TEST_SUITE_P(A, WriteAndRead, ::testing::Values("A"));
INSTANTIATE_TEST_SUITE_P(B, WriteAndRead, ::testing::Values("B"));

// --- keys and lock ---------------------------------------------------------------------------

using KeysAndLock = PersonalityScenario;

TEST_P(KeysAndLock, EncryptionThenWrongKeysThenClearKeyAndEraseThenLockAndARefusedWrite) {
    PlaceTag(GetParam(), "NTAG213", "datasheet");
    EXPECT_TRUE(Has(Both({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "secret"}),
                    "Encryption successful !"));
    // Wrong keys: PWD_AUTH is NAKed, the tag goes idle and has to be selected again.
    EXPECT_TRUE(Has(Both({"clear-key"}), "Authentication key fail !"));
    EXPECT_TRUE(
        Has(Both({"clear-key", "--original-key", "12345678"}), "Authentication key fail !"));
    EXPECT_TRUE(
        Has(Both({"clear-key", "--original-key", "0a0b0c0d"}), "Password cleared successfully !"));
    // Protected again, then erased with the key: the same bytes on both readers.
    EXPECT_TRUE(Has(Both({"write", "text", "--encrypt", "--new-key", "0A0B0C0D", "again"}),
                    "Encryption successful !"));
    EXPECT_TRUE(Has(Both({"erase"}), "Authentication key fail !"));
    EXPECT_TRUE(Has(Both({"erase", "--original-key", "0a0b0c0d"}), "Tag erased successfully !"));
    EXPECT_TRUE(Has(Both({"write", "text", "--lock", "final"}), "Lock tag success !"));
    EXPECT_TRUE(Has(Both({"write", "text", "other"}), "Write faild: Page4 !"));
    EXPECT_TRUE(Has(Both({"erase"}), "Tag is locked !"));
    EXPECT_TRUE(Has(Both({"read", "text"}), "text: final\n"));
}

// An NTAG21x that NAKs GET_VERSION and READ_SIG (through personality A, silence reads as a NAK)
// looks like an NTAG203, and is never reported protected, cleared or locked.
TEST_P(KeysAndLock, ATagRefusingItsVersionAndSignatureIsNeverReportedProtected) {
    const auto refuseIdentity = [this](const char* nthVersion) {
        SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", kSimReader, "--nth", nthVersion,
               "--status", "0x20"});
        SimOk({"fault", "fail", "TyA_NTAG_ReadSig", "--reader", kSimReader, "--status", "0x20"});
    };
    // The first Write protects the tag; the next one and Clear key meet the refusals.
    PlaceTag(GetParam(), "NTAG213", "plain", {"--nak-on", "get-version:2,read-sig:1"});
    refuseIdentity("2");
    EXPECT_TRUE(
        Has(Both({"write", "text", "--encrypt", "--no-journal", "x"}), "Encryption successful !"));
    ToolResult r = Both({"clear-key", "--no-journal"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "Failed to recognize the tag model !")) << r.out;
    EXPECT_EQ(card().Tag().memory()[0x29 * 4 + 3], 0x00);  // still protected
    card().Stop();

    // A factory tag refuses the Original key too: taken for an NTAG203, refused Encryption.
    PlaceTag(GetParam(), "NTAG213", "plain", {"--nak-on", "get-version:1,read-sig:1"});
    refuseIdentity("1");
    r = Both({"write", "text", "--encrypt", "--verify", "--no-journal", "x"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "The tag does not support password protection !")) << r.out;
    EXPECT_EQ(card().Tag().memory()[0x29 * 4 + 3], 0xFF);
    card().Stop();

    // An NTAG212 so taken: its capability container is not an NTAG203's; nothing is written.
    PlaceTag(GetParam(), "NTAG212", "datasheet", {"--nak-on", "get-version:1,read-sig:1"});
    const auto factory = card().Tag().memory();
    refuseIdentity("1");
    r = Both({"write", "text", "--encrypt", "--lock", "--no-journal", "x"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "Failed to recognize the tag model !")) << r.out;
    EXPECT_EQ(card().Tag().memory(), factory);
}

INSTANTIATE_TEST_SUITE_P(A, KeysAndLock, ::testing::Values("A"));
INSTANTIATE_TEST_SUITE_P(B, KeysAndLock, ::testing::Values("B"));

// --- a NAK, a tag that leaves ----------------------------------------------------------------

using TagFaults = PersonalityScenario;

TEST_P(TagFaults, ANakedWriteOrReadThenReselectionAsOnTheSimulator) {
    struct Case {
        std::string command, entryPoint, failure;
    };
    for (const auto& [command, entryPoint, failure] :
         std::vector<Case>{{"write:2", "TyA_NTAG_Write", "Write faild: Page5 !"},
                           {"read:1", "TyA_NTAG_Read", "Read faild: Page3 !"}}) {
        SCOPED_TRACE(command);
        PlaceTag(GetParam(), "NTAG213", "plain", {"--nak-on", command});
        SimOk({"fault", "fail", entryPoint, "--reader", kSimReader, "--nth",
               command.substr(command.find(':') + 1), "--status", "0x20"});
        EXPECT_TRUE(Has(Both({"write", "text", "hello world"}), failure));
        EXPECT_TRUE(Has(Both({"write", "text", "again"}), "Write data succeed: again"));
        EXPECT_TRUE(Has(Both({"read", "text"}), "text: again\n"));
        // The NAK was a refused storage command; the tag was woken again by a reset.
        const std::string log = card().Log();
        const auto nak = log.find("< 6300\n");
        ASSERT_NE(nak, std::string::npos) << log;
        EXPECT_NE(log.find("control 2\n", nak), std::string::npos) << log;
        card().Stop();
    }
}

TEST_P(TagFaults, ATagRemovedMidWriteAsOnTheSimulatorAndWrittenWhenBack) {
    PlaceTag(GetParam(), "NTAG213", "plain", {"--remove-on", "write:2"});
    // On the simulator the second page write finds no tag.
    SimOk({"fault", "fail", "TyA_NTAG_Write", "--reader", kSimReader, "--nth", "2", "--status",
           "0x05"});
    const NtagChip before = card().Tag();
    const ToolResult torn = Both({"write", "text", "hello world"});
    EXPECT_EQ(torn.exitCode, 1) << torn.out;
    EXPECT_TRUE(Has(torn, "Write faild: Page5 !")) << torn.out;
    EXPECT_TRUE(client().WaitForCard(kFirstReader, false, 5s));
    // The first page went in; the second never reached the tag.
    const NtagChip after = card().Tag();
    EXPECT_NE(
        std::vector<std::uint8_t>(after.memory().begin() + 16, after.memory().begin() + 20),
        std::vector<std::uint8_t>(before.memory().begin() + 16, before.memory().begin() + 20));
    EXPECT_EQ(std::vector<std::uint8_t>(after.memory().begin() + 20, after.memory().end()),
              std::vector<std::uint8_t>(before.memory().begin() + 20, before.memory().end()));

    card().PutBack();
    ASSERT_TRUE(client().WaitForCard(kFirstReader, true, 5s));
    EXPECT_TRUE(Has(Both({"write", "text", "hello world"}), "Write data succeed: hello world"));
    EXPECT_TRUE(Has(Both({"read", "text"}), "text: hello world\n"));
}

INSTANTIATE_TEST_SUITE_P(A, TagFaults, ::testing::Values("A"));
INSTANTIATE_TEST_SUITE_P(B, TagFaults, ::testing::Values("B"));

// --- the reader and pcscd --------------------------------------------------------------------

using ReaderAndService = PersonalityScenario;

TEST_P(ReaderAndService, ReadersVerboseShowsTheAtrAndTheProbedPersonality) {
    PlaceTag(GetParam(), "NTAG213", "plain");
    const std::string personality =
        std::string(GetParam()) == "A" ? "A (direct transmit)" : "B (transparent session)";
    const ToolResult r = Cli("pcsc", {"readers", "--verbose"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, std::string(kFirstReader) +
                           "\n  backend: pcsc\n  ATR: 3B 8F 80 01 80 4F 0C A0 "
                           "00 00 03 06 03 00 03 00 00 00 00 68\n"
                           "  personality: " +
                           personality + "\n"))
        << r.out;
}

TEST_P(ReaderAndService, AReaderThatDisappearsAndComesBack) {
    PlaceTag(GetParam(), "NTAG213", "plain");
    EXPECT_TRUE(Has(Cli("pcsc", {"readers"}), std::string(kFirstReader) + "\n"));
    ASSERT_TRUE(ControlPcscd("drop-readers"));
    SimOk({"reader", "detach", kSimReader});
    // Each names its own reader as missing; otherwise the two agree.
    const ToolResult simulatedGone = Cli("sim", {"write", "text", "abc"});
    const ToolResult gone = Cli("pcsc", {"write", "text", "abc"});
    EXPECT_EQ(gone.exitCode, simulatedGone.exitCode) << gone.out << simulatedGone.out;
    EXPECT_EQ(gone.exitCode, 3) << gone.out;
    ExpectSameTag();
    EXPECT_FALSE(Has(Cli("pcsc", {"readers"}), kFirstReader));

    ASSERT_TRUE(ControlPcscd("restore-readers"));
    SimOk({"reader", "attach", kSimReader});
    ASSERT_TRUE(client().Establish());
    ASSERT_TRUE(client().WaitForCard(kFirstReader, true, 10s));
    EXPECT_TRUE(Has(Both({"write", "text", "abc"}), "Write data succeed: abc"));
}

TEST_P(ReaderAndService, APcscdRestartedOrStopped) {
    PlaceTag(GetParam(), "NTAG213", "plain");
    EXPECT_EQ(Both({"write", "text", "before"}).exitCode, 0);
    ASSERT_TRUE(ControlPcscd("restart"));
    ASSERT_TRUE(client().Establish());
    ASSERT_TRUE(client().WaitForCard(kFirstReader, true, 10s));
    EXPECT_TRUE(Has(Both({"read", "text"}), "text: before\n"));
    EXPECT_EQ(Both({"write", "text", "after"}).exitCode, 0);

    ASSERT_TRUE(ControlPcscd("stop"));
    const ToolResult stopped = Cli("pcsc", {"write", "text", "no service"});
    EXPECT_EQ(stopped.exitCode, 3) << stopped.out;
    const ToolResult listed = Cli("pcsc", {"readers"});
    EXPECT_EQ(listed.exitCode, 3) << listed.out;
    EXPECT_TRUE(Has(listed, "PC/SC readers unavailable: the PC/SC service (pcscd) is not running"))
        << listed.out;
    ASSERT_TRUE(ControlPcscd("start"));
}

TEST_P(ReaderAndService, AnAutoOperationCarriesOnAcrossAPcscdRestart) {
    PlaceTag(GetParam(), "NTAG213", "plain");
    // What the tag holds once written: as the simulator writes it.
    ASSERT_EQ(Cli("sim", {"write", "text", "abc"}).exitCode, 0);
    const std::vector<std::uint8_t> written = SimTag().memory();
    // Tag after tag in one process: the second time the tag comes back, pcscd is a new one.
    // Its lines go to a file to be watched (the command is bounded like every other one).
    const auto lines = simDir() / "auto.out";
    auto run = std::async(std::launch::async, [&] {
        return RunProgram(CliCommand("pcsc", {"write", "text", "abc", "--auto", "--count", "2"}) +
                          " > " + tools::ShellQuote(lines.string()));
    });
    bool waiting = false;
    for (int i = 0; i < 150 && !waiting; ++i) {
        std::this_thread::sleep_for(100ms);
        waiting = ReadText(lines).find("Waiting for the card to be removed") != std::string::npos;
    }
    EXPECT_TRUE(waiting) << ReadText(lines) << card().Log();
    EXPECT_EQ(card().Tag().memory(), written);
    card().TakeAway();
    EXPECT_TRUE(client().WaitForCard(kFirstReader, false, 5s));
    EXPECT_TRUE(ControlPcscd("restart"));
    card().PutBack();
    EXPECT_EQ(run.get().exitCode, 0);
    const std::string out = ReadText(lines);
    EXPECT_NE(out.find("Summary: 2 tags handled, 2 succeeded, 0 failed"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(A, ReaderAndService, ::testing::Values("A"));
INSTANTIATE_TEST_SUITE_P(B, ReaderAndService, ::testing::Values("B"));

// --- Ctrl-C and SIGTERM during Auto operation --------------------------------------------------

// A tagwright-cli run in the background, its lines in a file, ended by a signal.
class BackgroundRun {
  public:
    BackgroundRun(const std::string& command, std::filesystem::path lines)
        : lines_(std::move(lines)) {
        const std::string shell =
            "exec " + command + " > " + tools::ShellQuote(lines_.string()) + " 2>&1";
        pid_ = fork();
        if (pid_ == 0) {
            execl("/bin/sh", "sh", "-c", shell.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~BackgroundRun() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    BackgroundRun(const BackgroundRun&) = delete;
    BackgroundRun& operator=(const BackgroundRun&) = delete;

    std::string Lines() const { return ReadText(lines_); }
    bool WaitFor(const std::string& text, std::chrono::seconds bound) const {
        const auto end = std::chrono::steady_clock::now() + bound;
        while (Lines().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }
    // Sends the signal; the exit status when the run ended within the bound, else -1.
    int EndWith(int signal, std::chrono::seconds bound) {
        kill(pid_, signal);
        const auto end = std::chrono::steady_clock::now() + bound;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) != pid_) {
            if (std::chrono::steady_clock::now() > end) return -1;
            std::this_thread::sleep_for(20ms);
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

  private:
    std::filesystem::path lines_;
    pid_t pid_ = -1;
};

class Interrupted : public ThroughPcsc {
  protected:
    // `write text` in Auto operation through pcscd, recording into a journal of its own.
    std::unique_ptr<BackgroundRun> StartAutoWrite(const std::string& name) {
        journal_ = simDir() / (name + ".journal");
        return std::make_unique<BackgroundRun>(
            CliCommand("pcsc",
                       {"write", "text", "hello world", "--auto", "--journal", journal_.string()}),
            simDir() / (name + ".out"));
    }

    // Every record whole: the file ends with its line, and the journal command reads each one.
    void ExpectJournalWhole(std::size_t records) {
        const std::string text = ReadText(journal_);
        if (records == 0) {
            EXPECT_TRUE(text.empty() || text.back() == '\n') << text;
            return;
        }
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n') << text;
        const ToolResult printed =
            RunProgram(tools::ShellCommand((ProgramFolder() / "tagwright-cli").string(),
                                           {"journal", "--journal", journal_.string()}));
        EXPECT_EQ(printed.exitCode, 0) << printed.out;
        EXPECT_EQ(printed.out.find("damaged"), std::string::npos) << printed.out;
        // The header line, then one line per record.
        EXPECT_EQ(
            static_cast<std::size_t>(std::count(printed.out.begin(), printed.out.end(), '\n')),
            records + 1)
            << printed.out;
    }

  private:
    std::filesystem::path journal_;
};

// The deadline of a PC/SC call is 5 s; a signal ends the run at the next tick after it.
constexpr auto kPromptly = 10s;

TEST_F(Interrupted, WaitingForACardEndsOnCtrlCAndOnSigterm) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        auto run = StartAutoWrite("waiting" + std::to_string(signal));
        ASSERT_TRUE(run->WaitFor("Waiting for card", 20s)) << run->Lines();
        EXPECT_EQ(run->EndWith(signal, kPromptly), 0) << run->Lines();
        EXPECT_NE(run->Lines().find("Summary: 0 tags handled"), std::string::npos) << run->Lines();
        ExpectJournalWhole(0);
    }
}

TEST_F(Interrupted, MidExchangeWithAReaderThatStoppedAnswering) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        PlaceTag("A", "NTAG213", "plain", {"--silent-on", "write:2"});
        auto run = StartAutoWrite("silent" + std::to_string(signal));
        for (int i = 0; i < 200 && card().Log().find("silent from") == std::string::npos; ++i) {
            std::this_thread::sleep_for(50ms);
        }
        ASSERT_NE(card().Log().find("silent from"), std::string::npos) << run->Lines();
        // The exchange fails at its deadline with the timeout status; the run ends after it.
        EXPECT_EQ(run->EndWith(signal, kPromptly), 1) << run->Lines();
        EXPECT_NE(run->Lines().find("Write faild: Page5 !"), std::string::npos) << run->Lines();
        EXPECT_NE(run->Lines().find("Summary: 1 tags handled, 0 succeeded, 1 failed"),
                  std::string::npos)
            << run->Lines();
        ExpectJournalWhole(1);
        card().Stop();
    }
}

TEST_F(Interrupted, AfterPcscdWasKilled) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        PlaceTag("A", "NTAG213", "plain");
        auto run = StartAutoWrite("killed" + std::to_string(signal));
        ASSERT_TRUE(run->WaitFor("Waiting for the card to be removed", 20s)) << run->Lines();
        // Killed, not stopped: no goodbye to its clients.
        const std::string pid =
            ReadText(std::filesystem::path(std::getenv("TW_PCSCD_DIR")) / "pcscd.pid");
        ASSERT_EQ(kill(std::stoi(pid), SIGKILL), 0) << pid;
        std::this_thread::sleep_for(1s);    // ticks without a service
        ASSERT_TRUE(ControlPcscd("stop"));  // tidies up after the killed daemon
        EXPECT_EQ(run->EndWith(signal, kPromptly), 0) << run->Lines();
        EXPECT_NE(run->Lines().find("Summary: 1 tags handled, 1 succeeded"), std::string::npos)
            << run->Lines();
        ExpectJournalWhole(1);
        card().Stop();
        ASSERT_TRUE(ControlPcscd("start"));
        ASSERT_TRUE(client().Establish());
    }
}

// --- personality C ---------------------------------------------------------------------------

using StorageOnlyReader = ThroughPcsc;

TEST_F(StorageOnlyReader, RefusesWhatNeedsRawCommandsAndLeavesTheTagAlone) {
    PlaceTag("C", "NTAG213", "plain");
    const NtagChip before = card().Tag();
    // Identifying the model needs GET_VERSION, which this reader cannot send.
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"write", "text", "abc"}, {"read", "text"}}) {
        const ToolResult r = Cli("pcsc", words);
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_TRUE(Has(r, "Failed to recognize the tag model !  Error Code: 0x07")) << r.out;
    }
    const ToolResult clear = Cli("pcsc", {"clear-key", "--original-key", "12345678"});
    EXPECT_EQ(clear.exitCode, 1) << clear.out;
    EXPECT_TRUE(Has(clear, "Authentication key fail !")) << clear.out;
    EXPECT_TRUE(Has(Cli("pcsc", {"readers", "--verbose"}), "  personality: C (storage only)\n"));
    EXPECT_EQ(card().Tag().memory(), before.memory());
    // No raw tag command ever went out: the reader was known as storage-only.
    EXPECT_EQ(card().Log().find("> FF0000"), std::string::npos);
    EXPECT_EQ(card().Log().find("> FFC20001"), std::string::npos);
}

}  // namespace
}  // namespace tagwright::pcsc_testing
