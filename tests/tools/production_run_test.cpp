// SPDX-License-Identifier: MIT
// Production runs through tagwright-cli and the simulator: the journal command, keys kept off the
// command line, resumed batches and one row per tag.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <fstream>
#include <optional>
#include <set>
#include <string_view>
#include <thread>

#include "app/journal_records.h"
#include "secrets/wipe.h"
#include "support/sim_env.h"
#include "tools/common/arguments.h"
#include "tools/common/shell_words.h"
#include "tools/tagwright-cli/key_sources.h"

namespace tagwright::testing {
namespace {

class ProductionRun : public SimEnvironment {
  protected:
    void SetUp() override {
        SimEnvironment::SetUp();
        journal_ = directory() / "journal.csv";
    }
    std::string Cli() const { return (reader::ExecutableDirectory() / "tagwright-cli").string(); }
    // tagwright-cli with the test's journal; `prefix` goes before it (an environment, `timeout`).
    ToolResult Run(std::vector<std::string> words, const std::string& prefix = "") {
        if (!words.empty() && words[0] != "journal")
            words.insert(words.begin() + 1, "--journal");
        else
            words.push_back("--journal");
        auto at = std::find(words.begin(), words.end(), "--journal");
        words.insert(at + 1, journal_.string());
        return RunProgram(prefix + tools::ShellCommand(Cli(), words));
    }
    std::string NewTagInField() {
        EmptyTheField();
        return SimOk({"tag", "new", "--layout", "plain", "--reader", "SIM-0001"});
    }
    static bool Has(const ToolResult& r, const std::string& text) {
        return r.out.find(text) != std::string::npos;
    }
    // A sheet of `count` rows "row 1" ... in CSV.
    std::string Rows(int count) {
        const auto path = directory() / ("rows" + std::to_string(count) + ".csv");
        std::ofstream out(path);
        for (int i = 1; i <= count; ++i)
            out << "row " << i << "\n";
        return path.string();
    }
    std::vector<app::JournalRecord> Records() {
        std::vector<std::string> problems;
        auto records = app::LoadJournal(app::JournalFile::Single(journal_), problems);
        EXPECT_TRUE(problems.empty()) << problems.front();
        return records;
    }
    // The text of the Text record a tag holds (plain layout, short texts).
    std::string TextOn(const std::string& uid) {
        const auto memory = Memory(uid);
        if (memory[16] != 0x03 || memory[17] < 7) return {};
        const std::size_t length = memory[17] - 7;
        return std::string(memory.begin() + 25, memory.begin() + 25 + std::ptrdiff_t(length));
    }
    std::vector<std::string> Queue(int count) {
        const std::string out =
            SimOk({"queue", "--reader", "SIM-0001", "--count", std::to_string(count), "--gap-polls",
                   "1", "--layout", "plain"});
        std::vector<std::string> uids;
        for (std::size_t at = 0; at + 14 <= out.size(); at += 15)
            uids.push_back(out.substr(at, 14));
        return uids;
    }

    std::filesystem::path journal_;
};

TEST_F(ProductionRun, TheJournalCommandShowsEveryRecordOrOneBatchAsCsvOrJson) {
    const std::string uid = NewTagInField();
    ASSERT_EQ(Run({"write", "text", "@SUM(1)"}).exitCode, 0);
    ASSERT_EQ(Run({"read", "text"}).exitCode, 0);
    const std::string sheet = Rows(3);
    NewTagInField();
    ASSERT_EQ(Run({"write", "text", "--from-file", sheet, "--row", "2"}).exitCode, 0);

    ToolResult r = Run({"journal"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.starts_with("time,reader,uid,model,panel,operation,")) << r.out;
    EXPECT_TRUE(Has(r, ",'@SUM(1),")) << r.out;
    EXPECT_TRUE(Has(r, "," + uid + ",NTAG213,text,read,single,")) << r.out;

    r = Run({"journal", "--batch", sheet, "--json"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(Has(r, "\"row\":\"2\"")) << r.out;
    EXPECT_TRUE(Has(r, "\"message\":\"row 2\"")) << r.out;
    EXPECT_FALSE(Has(r, "@SUM")) << r.out;
    EXPECT_TRUE(Has(r, "\"type\":\"batch\"")) << r.out;
    EXPECT_TRUE(Has(r, "\"rowsWritten\":1,\"tags\":1,\"lastRow\":2")) << r.out;

    r = Run({"journal", "--since", "2999-01-01"});
    EXPECT_EQ(r.out,
              "time,reader,uid,model,panel,operation,mode,batch_file,batch_sha256,row,"
              "message,ndef_sha256,encryption,key_fingerprint,lock,result,failure,"
              "status_code,duration_ms,mirror,counter,genuine\r\n");
    EXPECT_EQ(Run({"journal", "--since", "yesterday"}).exitCode, 2);

    // Without --journal: one file a day in the data folder; --no-journal records nothing.
    ASSERT_EQ(RunProgram(tools::ShellCommand(Cli(), {"read", "text", "--no-journal"})).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(directory() / "data" / "Tagwright" / "journal"));
    ASSERT_EQ(RunProgram(tools::ShellCommand(Cli(), {"read", "text"})).exitCode, 0);
    r = RunProgram(tools::ShellCommand(Cli(), {"journal"}));
    EXPECT_TRUE(Has(r, ",read,single,")) << r.out;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory() / "data" / "Tagwright" /
                                                                "journal"),
                            {}),
              1);
}

TEST_F(ProductionRun, KeysComeFromAnOwnerOnlyFileOrTheEnvironmentAndNeverReachTheJournal) {
    const std::string uid = NewTagInField();
    const auto keys = directory() / "keys";
    std::ofstream(keys) << "# line 3\noriginal-key=7C7C7C7C\nnew-key = 0A0B0C0D\n";
    ::chmod(keys.c_str(), 0644);
    ToolResult r = Run({"write", "text", "--encrypt", "--key-file", keys.string(), "secret"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r, "mode 0644 lets other users read or change the keys")) << r.out;
    ::chmod(keys.c_str(), 0600);
    r = Run({"write", "text", "--encrypt", "--key-file", keys.string(), "secret"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "The tag's password is now the New key !")) << r.out;
    // The key set is named by its field, never by its digits.
    EXPECT_FALSE(Has(r, "0A0B0C0D")) << r.out;

    // The environment's key is taken when no option names one.
    r = Run({"clear-key"}, "TAGWRIGHT_ORIGINAL_KEY=0a0b0c0d ");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "Password cleared successfully !"));
    r = Run({"clear-key"}, "TAGWRIGHT_ORIGINAL_KEY=0a0b0c0 ");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r, "TAGWRIGHT_ORIGINAL_KEY takes exactly 8 hexadecimal digits")) << r.out;

    // A key glued to its option with `=` is not repeated in the usage error.
    r = Run({"clear-key", "--original-key=0A0B0C0D"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r, "unknown option --original-key= (write --original-key VALUE)")) << r.out;
    EXPECT_FALSE(Has(r, "0A0B0C0D")) << r.out;
    // So is a key whose option was left out.
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"clear-key", "0A0B0C0D"}, {"write", "text", "x", "0a0b0c0d"}}) {
        r = Run(words);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(Has(r, "unexpected argument of 8 hexadecimal digits")) << r.out;
        EXPECT_FALSE(Has(r, "0A0B0C0D") || Has(r, "0a0b0c0d")) << r.out;
    }
    r = Run({"read", "text", "surplus"});
    EXPECT_TRUE(Has(r, "unexpected argument surplus")) << r.out;

    std::ofstream(keys) << "new-key=0A0B0C0D0E\n";
    r = Run({"write", "text", "--key-file", keys.string(), "x"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r, "line 1 takes exactly 8 hexadecimal digits")) << r.out;
    EXPECT_FALSE(Has(r, "0A0B0C0D0E")) << r.out;

    std::ifstream in(journal_);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text.find("0A0B0C0D"), std::string::npos);
    EXPECT_EQ(text.find("0a0b0c0d"), std::string::npos);
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["encryption"], "on");
    EXPECT_EQ(records[0]["key_fingerprint"], records[1]["key_fingerprint"]);
    EXPECT_EQ(records[0]["key_fingerprint"].size(), 4u);
}

// The key file is judged by the file opened, not by a look at its name before: a name swapped for
// a FIFO in between hung the program, and a link or another user's file passed.
TEST_F(ProductionRun, AKeyFileIsJudgedByTheFileThatWasOpened) {
    using cli::ReadKeyFile;
    const auto keys = directory() / "keys", regular = directory() / "regular",
               fifo = directory() / "fifo", spare = directory() / "spare";
    std::ofstream(regular) << "original-key=0A0B0C0D\n";
    ASSERT_EQ(::chmod(regular.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::link(regular.c_str(), keys.c_str()), 0);
    EXPECT_EQ(ReadKeyFile(keys).original, "0A0B0C0D");

    std::atomic<bool> done{false};
    std::thread swapper([&] {
        for (bool toFifo = true; !done; toFifo = !toFifo) {
            if (::link((toFifo ? fifo : regular).c_str(), spare.c_str()) == 0) {
                ::rename(spare.c_str(), keys.c_str());
            }
            // A reader stuck opening the FIFO is let go: it then reads no keys at all.
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) ::close(writer);
        }
    });
    int read = 0, refused = 0, wrong = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    for (int i = 0; i < 200000 && std::chrono::steady_clock::now() < until; ++i) {
        try {
            ++(ReadKeyFile(keys).original == "0A0B0C0D" ? read : wrong);
        } catch (const tools::UsageError& error) {
            ++refused;
            EXPECT_TRUE(std::string(error.what()).ends_with(": not a regular file"))
                << error.what();
        }
    }
    done = true;
    swapper.join();
    EXPECT_EQ(wrong, 0) << "a FIFO was read as a key file";
    EXPECT_GT(read, 0);
    EXPECT_GT(refused, 0);

    // A link is not followed, even to a good file: the name is what the user gave.
    const auto link = directory() / "link";
    ASSERT_EQ(::symlink(regular.c_str(), link.c_str()), 0);
    ToolResult r = Run({"clear-key", "--key-file", link.string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(Has(r, "--key-file " + link.string() + ": is a symbolic link")) << r.out;
}

// Key bytes are zeroed once their use is over: the whole buffer of a text, since a shorter text
// written over a key leaves the key's last digits behind its end.
TEST(KeyWiping, EveryByteThatHeldAKeyIsZeroed) {
    std::string text = "original-key=0A0B0C0D and more, past the short-string buffer";
    text = "7C7C";
    const std::size_t capacity = text.capacity();
    secrets::Wipe(text);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(text.capacity(), capacity);  // the same buffer, not a fresh one
    const std::string_view buffer(text.data(), capacity);
    EXPECT_EQ(buffer.find_first_not_of('\0'), std::string_view::npos);

    std::optional<std::string> optional = "0A0B0C0D";
    secrets::Wipe(optional);
    EXPECT_FALSE(optional.has_value());

    std::array<std::uint8_t, 4> key{0x0A, 0x0B, 0x0C, 0x0D};
    {
        const secrets::WipeOnExit wipe(key);
        EXPECT_EQ(key[3], 0x0D);  // usable until the scope ends
    }
    EXPECT_EQ(key, (std::array<std::uint8_t, 4>{}));
}

TEST_F(ProductionRun, AKeyFileOfAnotherUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a file to another user (nobody)";
    }
    const auto keys = directory() / "keys";
    std::ofstream(keys) << "original-key=0A0B0C0D\n";
    ASSERT_EQ(::chmod(keys.c_str(), 0600), 0);
    EXPECT_EQ(cli::ReadKeyFile(keys).original, "0A0B0C0D");
    // Mode 0600, but nobody's: that user chose the keys.
    ASSERT_EQ(::chown(keys.c_str(), 65534, 65534), 0);
    try {
        cli::ReadKeyFile(keys);
        ADD_FAILURE() << "another user's key file was read";
    } catch (const tools::UsageError& error) {
        EXPECT_EQ(std::string(error.what()), "--key-file " + keys.string() +
                                                 ": belongs to another user, who could choose "
                                                 "the keys; use a file of your own");
    }
}

TEST_F(ProductionRun, AResumedBatchReadsBackTheTagInFlightAndRefusesATagThatCameBack) {
    const std::string sheet = Rows(6);
    std::vector<std::string> uids;
    for (int i = 0; i < 4; ++i) {
        uids.push_back(SimOk({"tag", "new", "--layout", "plain"}));
    }
    const auto place = [&](int i) {
        EmptyTheField();
        SimOk({"tag", "place", uids[std::size_t(i)], "--reader", "SIM-0001"});
    };
    // Rows 1 and 2 on tags 0 and 1, by hand.
    place(0);
    ASSERT_EQ(Run({"write", "text", "--from-file", sheet, "--row", "1"}).exitCode, 0);
    place(1);
    ToolResult r = Run({"write", "text", "--from-file", sheet, "--resume"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "has 1 rows on 1 tags in the journal, the last row 1; starting at row 2"))
        << r.out;
    // Tag 2 receives row 3, but its record is lost (it went to another journal): the tag in
    // flight when a run dies.
    place(2);
    ASSERT_EQ(RunProgram(tools::ShellCommand(Cli(), {"write", "text", "--from-file", sheet, "--row",
                                                     "3", "--no-journal"}))
                  .exitCode,
              0);
    const auto before = Memory(uids[2]);
    r = Run({"write", "text", "--from-file", sheet, "--resume"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "starting at row 3")) << r.out;
    EXPECT_TRUE(Has(r, "The tag already holds row 3 !")) << r.out;
    EXPECT_FALSE(Has(r, "Write data succeed")) << r.out;
    EXPECT_EQ(Memory(uids[2]), before);
    // Tag 2 comes back first: its record is there now, only its feedback was lost.
    place(2);
    r = Run({"write", "text", "--from-file", sheet, "--resume", "--unique-tags"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "starting at row 4")) << r.out;
    EXPECT_TRUE(Has(r, "The tag already holds row 3 !")) << r.out;
    EXPECT_EQ(Memory(uids[2]), before);
    // A tag with an earlier row is no tag in flight: refused, and the row stays for the next tag.
    place(1);
    r = Run({"write", "text", "--from-file", sheet, "--resume", "--unique-tags"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "This tag already received row 2 of this batch !")) << r.out;
    EXPECT_EQ(TextOn(uids[1]), "row 2");
    place(3);
    r = Run({"write", "text", "--from-file", sheet, "--resume", "--unique-tags"});
    EXPECT_TRUE(Has(r, "starting at row 4")) << r.out;
    EXPECT_TRUE(Has(r, "Write data succeed: row 4")) << r.out;
    place(0);
    r = Run({"write", "text", "--from-file", sheet, "--resume", "--unique-tags"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "This tag already received row 1 of this batch !")) << r.out;
    EXPECT_EQ(TextOn(uids[0]), "row 1");
    // Without --unique-tags the same tag would take the next row.
    r = RunProgram(tools::ShellCommand(
        Cli(), {"write", "text", "--from-file", sheet, "--row", "5", "--no-journal"}));
    EXPECT_EQ(TextOn(uids[0]), "row 5");

    const auto records = Records();
    std::set<std::string> rows;
    for (const auto& record : records) {
        if (record["result"].starts_with("success")) rows.insert(record["row"]);
    }
    EXPECT_EQ(rows, (std::set<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(records.back()["result"], "failure");
    EXPECT_EQ(records.back()["failure"], "This tag already received row 1 of this batch !");
}

TEST_F(ProductionRun, TheCheckOfAResumedBatchCoversTheRowsItWillWrite) {
    const auto sheetOf = [&](const std::string& name, const std::string& rows) {
        std::ofstream(directory() / name) << rows;
        return (directory() / name).string();
    };
    // Row 2 fits the NTAG213 it went on, not the smallest model the check assumes.
    const std::string written =
        sheetOf("written.csv", "row 1\n" + std::string(60, 'x') + "\nrow 3\n");
    for (const char* row : {"1", "2"}) {
        NewTagInField();
        ASSERT_EQ(Run({"write", "text", "--from-file", written, "--row", row}).exitCode, 0);
    }
    NewTagInField();
    ToolResult r = Run({"write", "text", "--from-file", written, "--resume", "--auto"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "starting at row 3")) << r.out;
    EXPECT_TRUE(Has(r, "Write data succeed: row 3")) << r.out;

    // A later --row does not leave the rows before it unchecked: the batch starts at row 2.
    const std::string blank = sheetOf("blank.csv", "row 1\n\nrow 3\n");
    NewTagInField();
    ASSERT_EQ(Run({"write", "text", "--from-file", blank, "--row", "1"}).exitCode, 0);
    NewTagInField();
    r = Run({"write", "text", "--from-file", blank, "--resume", "--auto", "--row", "3"});
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_TRUE(Has(r, "     2  ")) << r.out;
    EXPECT_TRUE(Has(r, "pre-flight check failed")) << r.out;
}

TEST_F(ProductionRun, ABatchWhoseJournalCannotBeWrittenStopsBeforeTheNextTag) {
    const std::string sheet = Rows(3);
    EmptyTheField();
    const auto uids = Queue(3);
    journal_ = directory() / "taken";
    std::filesystem::create_directories(journal_);
    ToolResult r = Run({"write", "text", "--from-file", sheet, "--auto", "--unique-tags"},
                       "timeout -s KILL 30 ");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "The journal cannot be written: ")) << r.out;
    EXPECT_TRUE(Has(r, "The batch stopped: the journal cannot be written !")) << r.out;
    EXPECT_EQ(TextOn(uids[0]), "row 1");
    EXPECT_EQ(TextOn(uids[1]), "");

    // A FIFO never holds up a run: a write that is no batch goes on without the journal, a
    // resumed batch stops. The tag that kept no record is still in the field.
    journal_ = directory() / "fifo";
    ASSERT_EQ(::mkfifo(journal_.c_str(), 0600), 0);
    r = Run({"write", "text", "--from-file", sheet, "--auto", "--resume"}, "timeout -s KILL 10 ");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "The batch stopped: the journal cannot be written !")) << r.out;
    EXPECT_EQ(TextOn(uids[1]), "");
    EXPECT_EQ(FieldUid(), uids[0]);
    r = Run({"write", "text", "single"}, "timeout -s KILL 10 ");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "The journal cannot be written: ")) << r.out;
    EXPECT_EQ(TextOn(uids[0]), "single");
}

TEST_F(ProductionRun, TheDailyJournalIsKeptInAPrivateFolderOrNotAtAll) {
    const std::string uid = NewTagInField();
    const auto cwd = directory() / "cwd";
    std::filesystem::create_directories(cwd);
    const auto cli = [&](const std::string& environment, const std::vector<std::string>& words) {
        return RunProgram("cd " + tools::ShellQuote(cwd.string()) + " && env " + environment + " " +
                          tools::ShellCommand(Cli(), words));
    };
    // Neither HOME nor an absolute XDG_DATA_HOME: no folder of this operator's to fall back on.
    for (const char* environment : {"-u HOME -u XDG_DATA_HOME", "-u HOME XDG_DATA_HOME=data"}) {
        ToolResult r = cli(environment, {"write", "text", "nowhere"});
        EXPECT_EQ(r.exitCode, 2) << r.out;
        EXPECT_TRUE(Has(r, "no private folder for the journal")) << r.out;
        r = cli(environment, {"journal"});
        EXPECT_EQ(r.exitCode, 2) << r.out;
    }
    EXPECT_TRUE(std::filesystem::is_empty(cwd));
    EXPECT_EQ(TextOn(uid), "");
    // --journal or --no-journal need no such folder.
    EXPECT_EQ(cli("-u HOME -u XDG_DATA_HOME", {"write", "text", "--no-journal", "x"}).exitCode, 0);

    // Made private when created: 0700 folders, a 0600 file.
    const auto home = directory() / "home";
    ToolResult r = cli("-u XDG_DATA_HOME HOME=" + tools::ShellQuote(home.string()),
                       {"write", "text", "at home"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const auto folder = home / ".local" / "share" / "Tagwright" / "journal";
    struct stat info {};
    for (const auto& made : {folder, folder.parent_path(), home / ".local"}) {
        ASSERT_EQ(::stat(made.c_str(), &info), 0) << made;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << made;
    }
    const auto files = app::JournalFile::Daily(folder).Files();
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(::stat(files[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A folder that belongs to someone else is refused, before any tag.
    if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
    ASSERT_EQ(::chown(folder.c_str(), 4242, 4242), 0);
    r = cli("-u XDG_DATA_HOME HOME=" + tools::ShellQuote(home.string()),
            {"write", "text", "theirs"});
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_TRUE(Has(r, "belongs to another user")) << r.out;
    EXPECT_EQ(TextOn(uid), "at home");
    // Nor is what it holds believed: another user could make a batch look written.
    r = cli("-u XDG_DATA_HOME HOME=" + tools::ShellQuote(home.string()), {"journal"});
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_TRUE(Has(r, "belongs to another user")) << r.out;
}

TEST_F(ProductionRun, ABatchKilledThreeTimesEndsWithEveryRowOnExactlyOneTag) {
    constexpr int kRows = 40;
    const std::string sheet = Rows(kRows);
    EmptyTheField();
    // A few spare tags: a kill may leave one with a row it also keeps.
    const auto uids = Queue(kRows + 5);
    const std::vector<std::string> batch{"write", "text",     "--from-file",
                                         sheet,   "--resume", "--auto"};
    for (const char* seconds : {"0.9", "1.3", "1.7"}) {
        Run(batch, std::string("timeout -s KILL ") + seconds + " ");
    }
    // The reader unplugged in the middle, then plugged in again.
    SimOk({"fault", "detach", "--reader", "SIM-0001", "--after", "25"});
    Run(batch, "timeout -s KILL 2 ");
    SimOk({"reader", "attach", "SIM-0001"});
    const ToolResult last = Run(batch, "timeout -s KILL 60 ");
    ASSERT_EQ(last.exitCode, 0) << last.out;
    EXPECT_TRUE(Has(last, "the sheet's rows ran out")) << last.out;

    std::map<std::string, std::string> rowOnTag;
    std::multiset<std::string> written;
    for (const auto& uid : uids) {
        const std::string text = TextOn(uid);
        if (!text.empty()) {
            rowOnTag[uid] = text;
            written.insert(text);
        }
    }
    EXPECT_EQ(written.size(), std::size_t(kRows));
    for (int i = 1; i <= kRows; ++i) {
        EXPECT_EQ(written.count("row " + std::to_string(i)), 1u) << "row " << i;
    }
    const ToolResult summary = Run({"journal", "--batch", sheet, "--json"});
    EXPECT_TRUE(Has(summary, "\"rowsWritten\":40,\"tags\":40,\"lastRow\":40")) << summary.out;
    // Every tag the journal names holds the row it says.
    for (const auto& record : Records()) {
        if (!record["result"].starts_with("success")) continue;
        EXPECT_EQ(rowOnTag[record["uid"]], "row " + record["row"]) << record["uid"];
    }
}

}  // namespace
}  // namespace tagwright::testing
