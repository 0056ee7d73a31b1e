// SPDX-License-Identifier: MIT
// The journal of handled tags: what the operation controller records and when, the CSV cells a
// spreadsheet cannot take for formulas, and a journal that cannot be written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>

#include "app/digests.h"
#include "app/fingerprint_secret.h"
#include "app/journal_csv.h"
#include "app/journal_records.h"
#include "app/tag_journal.h"
#include "support/panel_rig.h"

namespace tagwright::testing {
namespace {

using panels::HandledTag;
using panels::PanelKind;
using panels::RunResult;

TEST(JournalCsv, FormulaCellsAreNeutralisedAndEveryCellReadsBackExactly) {
    const std::vector<std::string> cells = {"=HYPERLINK(\"http://x\",\"y\")",
                                            "+1",
                                            "-2",
                                            "@SUM(A1)",
                                            "\tTAB",
                                            "\rCR",
                                            "\n=LF",
                                            "'quoted",
                                            "a,b",
                                            "two\r\nlines",
                                            "say \"hi\"",
                                            "",
                                            "中文 😀",
                                            "plain=inside"};
    const std::string line = app::CsvLine(cells);
    EXPECT_EQ(app::CsvCell("=1+1"), "'=1+1");
    EXPECT_EQ(app::CsvCell("-5"), "'-5");
    EXPECT_EQ(app::CsvCell("@x"), "'@x");
    EXPECT_EQ(app::CsvCell("\tx"), "'\tx");
    EXPECT_EQ(app::CsvCell("\rx"), "\"'\rx\"");
    EXPECT_EQ(app::CsvCell("\n=1"), "\"'\n=1\"");
    EXPECT_EQ(app::CsvCell("'x"), "''x");
    EXPECT_EQ(app::CsvCell("a\"b,c"), "\"a\"\"b,c\"");
    EXPECT_EQ(app::CsvCell("plain=inside"), "plain=inside");
    const auto rows = app::ParseCsv(line + line);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0], cells);
    EXPECT_EQ((*rows)[1], cells);
}

TEST(JournalCsv, MalformedTextIsRefusedAndACutLastRecordIsLeftOut) {
    EXPECT_FALSE(app::ParseCsv("a\"b\r\n"));
    EXPECT_FALSE(app::ParseCsv("\"open\r\n"));
    EXPECT_FALSE(app::ParseCsv("\"a\"b\r\n"));
    EXPECT_FALSE(app::ParseCsv("a\r\nb\r\nc\r\n", 2));

    const std::string header = app::CsvLine(app::kJournalColumns);
    std::vector<std::string> cells(app::kJournalColumns.size(), "x");
    cells[0] = "2026-01-02T03:04:05.006Z";
    const std::string record = app::CsvLine(cells);
    std::string problem;
    EXPECT_EQ(app::ParseJournal(header + record + record, problem).size(), 2u);
    EXPECT_TRUE(problem.empty());
    // The process died inside a quoted cell of the third record.
    const auto records =
        app::ParseJournal(header + record + record + "2026,\"half a cell", problem);
    EXPECT_EQ(records.size(), 2u);
    EXPECT_NE(problem.find("cut short"), std::string::npos);
    EXPECT_EQ(records[1]["time"], "2026-01-02T03:04:05.006Z");
    EXPECT_TRUE(app::ParseJournal("name,value\r\nx,1\r\n", problem).empty());
    EXPECT_NE(problem.find("header"), std::string::npos);
}

// The cells of a journal record for row `row`, with `message` as its text.
std::vector<std::string> RecordCells(int row, const std::string& message) {
    std::vector<std::string> cells(app::kJournalColumns.size(), "x");
    cells[0] = "2026-01-02T03:04:05.00" + std::to_string(row % 10) + "Z";
    cells[9] = std::to_string(row);
    cells[10] = message;
    return cells;
}

std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> RowsOf(const std::vector<app::JournalRecord>& records) {
    std::vector<std::string> rows;
    for (const auto& record : records)
        rows.push_back(record["row"]);
    return rows;
}

TEST(JournalCsv, ADamagedRecordIsSkippedAndTheRecordsAfterItStillCount) {
    const std::string header = app::CsvLine(app::kJournalColumns);
    const std::string first = app::CsvLine(RecordCells(1, "row 1, first"));
    const std::string later = app::CsvLine(RecordCells(3, "row 3"));
    const std::string multiLine = app::CsvLine(RecordCells(4, "two\r\nlines"));
    // Torn inside a quoted cell, then ended by the next writer's line end; one torn in a plain
    // cell; one that is not even a record.
    const std::string torn = "2026-01-02T03:04:05.002Z,SIM-0001,\"row 2, cut";
    std::string problem;
    auto records = app::ParseJournal(
        header + first + torn + "\r\n" + later + "2026,SIM\r\n" + multiLine + later, problem);
    ASSERT_EQ(RowsOf(records), (std::vector<std::string>{"1", "3", "4", "3"})) << problem;
    EXPECT_EQ(records[0]["message"], "row 1, first");
    EXPECT_EQ(records[2]["message"], "two\r\nlines");
    EXPECT_NE(problem.find("line 3"), std::string::npos) << problem;
    EXPECT_NE(problem.find("line 5"), std::string::npos) << problem;

    // Appending after a torn tail ends it first, so that the torn record spoils nothing after it.
    const auto file = std::filesystem::temp_directory_path() /
                      ("tagwright-torn-" + std::to_string(::getpid()) + ".csv");
    std::ofstream(file, std::ios::binary) << header << first << torn;
    const app::JournalFile journal = app::JournalFile::Single(file);
    std::string error;
    ASSERT_TRUE(journal.Append(RecordCells(3, "row 3"), {}, error)) << error;
    ASSERT_TRUE(journal.Append(RecordCells(4, "row 4"), {}, error)) << error;
    EXPECT_EQ(FileBytes(file),
              header + first + torn + "\r\n" + later + app::CsvLine(RecordCells(4, "row 4")));
    std::vector<std::string> problems;
    records = app::LoadJournal(journal, problems);
    EXPECT_EQ(RowsOf(records), (std::vector<std::string>{"1", "3", "4"}));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(file.string() + ": "), std::string::npos) << problems[0];
    std::filesystem::remove(file);
}

TEST(JournalFiles, AJournalOfAnySizeIsReadToItsEnd) {
    // 600 MiB, nearly all of it a hole of zero bytes between two records: read as it comes, a
    // file is not too large to be read, and what lies beyond the damage still counts.
    const auto file = std::filesystem::temp_directory_path() /
                      ("tagwright-large-" + std::to_string(::getpid()) + ".csv");
    std::ofstream(file, std::ios::binary)
        << app::CsvLine(app::kJournalColumns) << app::CsvLine(RecordCells(1, "row 1"));
    std::filesystem::resize_file(file, 600u << 20);
    std::ofstream(file, std::ios::binary | std::ios::app) << "\r\n"
                                                          << app::CsvLine(RecordCells(2, "row 2"));
    std::vector<std::string> problems;
    const auto records = app::LoadJournal(app::JournalFile::Single(file), problems);
    std::filesystem::remove(file);
    EXPECT_EQ(RowsOf(records), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(problems.size(), 1u);
}

TEST(JournalFiles, AJournalThatIsNoRegularFileCannotBeWrittenAndNeverBlocks) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("tagwright-fifo-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto fifo = folder / "journal.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto daily = app::JournalFile::Daily(folder);
    ASSERT_EQ(::mkfifo(daily.FileFor({}).c_str(), 0600), 0);
    for (const app::JournalFile& journal : {app::JournalFile::Single(fifo), daily}) {
        auto append = std::async(std::launch::async, [&] {
            std::string error;
            const bool written = journal.Append(RecordCells(1, "row 1"), {}, error);
            return std::make_pair(written, error);
        });
        const bool blocked = append.wait_for(std::chrono::seconds(3)) != std::future_status::ready;
        EXPECT_FALSE(blocked) << "open() waits for a reader of the FIFO";
        // A reader lets a blocked open() go on, so that the test ends either way.
        const int reader = ::open(journal.FileFor({}).c_str(), O_RDONLY | O_NONBLOCK);
        const auto [written, error] = append.get();
        if (reader >= 0) ::close(reader);
        EXPECT_FALSE(written);
        EXPECT_NE(error.find(journal.FileFor({}).string()), std::string::npos) << error;
        std::vector<std::string> problems;
        EXPECT_TRUE(app::LoadJournal(journal, problems).empty());
    }
    // A symbolic link in the daily folder is not followed.
    const auto elsewhere = folder / "elsewhere.csv";
    std::ofstream(elsewhere) << "";
    std::filesystem::remove(daily.FileFor({}));
    std::filesystem::create_symlink(elsewhere, daily.FileFor({}));
    std::string error;
    EXPECT_FALSE(daily.Append(RecordCells(1, "row 1"), {}, error));
    EXPECT_EQ(std::filesystem::file_size(elsewhere), 0u);
    std::filesystem::remove_all(folder);
}

TEST(JournalDigests, TheKeyFingerprintIsShortAndSaysNothingOfTheKey) {
    const tag::Key key{0x0A, 0x0B, 0x0C, 0x0D};
    const std::string secret(32, 's');
    const std::string print = app::KeyFingerprint(key, secret);
    EXPECT_EQ(print.size(), 4u);
    EXPECT_EQ(print, app::KeyFingerprint(key, secret));
    EXPECT_NE(print, app::KeyFingerprint({0x0A, 0x0B, 0x0C, 0x0E}, secret));
    EXPECT_EQ(print.find("0a0b"), std::string::npos);
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(app::Sha256Hex(abc),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

// Keeps what the controller records, and how many success pauses had been made by then.
struct RecordingJournal : panels::RunJournal {
    explicit RecordingJournal(const std::vector<std::chrono::milliseconds>& p) : pauses(p) {}
    bool Record(const HandledTag& tag) override {
        records.push_back(tag);
        pausesAtRecord.push_back(pauses.size());
        return true;
    }
    const std::vector<std::chrono::milliseconds>& pauses;
    std::vector<HandledTag> records;
    std::vector<std::size_t> pausesAtRecord;
};

class JournalRuns : public PanelRig {
  protected:
    std::string FileText(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(JournalRuns, EveryRunThatReachesATagIsRecordedOnceAndBeforeTheFeedback) {
    RecordingJournal journal(pauses);
    auto& c = Controller(PanelKind::Url);
    c.SetJournal(&journal);
    const std::string uid = NewTag("NTAG215");
    panel.content = "example.com/a";
    panel.prefix = 4;
    panel.encrypt = true;
    panel.newKey = "0A0B0C0D";
    c.OnWrite();
    ASSERT_EQ(results.back(), RunResult::Succeeded);
    ASSERT_EQ(journal.records.size(), 1u);
    const HandledTag written = journal.records[0];
    EXPECT_EQ(written.operation, tag::OperationKind::Write);
    EXPECT_TRUE(written.succeeded);
    EXPECT_EQ(written.message, "https://example.com/a");
    EXPECT_EQ(*written.model, tag::ModelCode(0x11));
    EXPECT_TRUE(written.encryption);
    EXPECT_EQ(*written.key, (tag::Key{0x0A, 0x0B, 0x0C, 0x0D}));
    EXPECT_FALSE(written.row);
    EXPECT_EQ(written.ndef,
              (std::vector<std::uint8_t>{0xD1, 0x01, 0x0E, 0x55, 0x04, 'e', 'x', 'a', 'm', 'p', 'l',
                                         'e', '.', 'c', 'o', 'm', '/', 'a'}));
    EXPECT_EQ(journal.pausesAtRecord[0], 0u);  // recorded before the success pause
    EXPECT_EQ(pauses.size(), 1u);

    panel.encrypt = false;
    panel.originalKey = "0A0B0C0D";
    c.OnRead();
    ASSERT_EQ(journal.records.size(), 2u);
    EXPECT_EQ(journal.records[1].operation, tag::OperationKind::Read);
    EXPECT_EQ(journal.records[1].message, "https://example.com/a");
    EXPECT_EQ(journal.records[1].ndef, written.ndef);
    EXPECT_EQ(journal.pausesAtRecord[1], 1u);

    c.OnClearKey();
    ASSERT_EQ(journal.records.size(), 3u);
    EXPECT_EQ(journal.records[2].operation, tag::OperationKind::ClearKey);
    EXPECT_TRUE(journal.records[2].succeeded);
    EXPECT_EQ(journal.records[2].uid, journal.records[0].uid);

    // No tag: nothing is recorded. A failure is, with its red line and status code.
    EmptyTheField();
    panel.autoOp = true;
    EXPECT_EQ(c.RunRead(), RunResult::NoTag);
    EXPECT_EQ(journal.records.size(), 3u);
    NewTag("NTAG213");
    SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", "0x3d"});
    EXPECT_EQ(c.RunWrite(), RunResult::Failed);
    ASSERT_EQ(journal.records.size(), 4u);
    EXPECT_FALSE(journal.records[3].succeeded);
    EXPECT_EQ(journal.records[3].failure, "Failed to recognize the tag model !");
    EXPECT_EQ(journal.records[3].code, 0x3d);
    EXPECT_TRUE(journal.records[3].autoOperation);
    // The same tag again is skipped, and not recorded again.
    EXPECT_EQ(c.RunWrite(), RunResult::Skipped);
    EXPECT_EQ(journal.records.size(), 4u);
}

TEST_F(JournalRuns, TheFileHoldsOneSyncedLineATagAndNoKey) {
    const auto file = directory() / "j" / "tags.csv";
    app::TagJournal journal(app::JournalFile::Single(file), [] {
        return std::chrono::system_clock::time_point(std::chrono::milliseconds(1'780'000'000'123));
    });
    const panels::SpreadsheetSource noSheet(panel);
    app::PanelJournal panelJournal(journal, *devices, PanelKind::Text, noSheet);
    auto& c = Controller(PanelKind::Text);
    c.SetJournal(&panelJournal);
    NewTag("NTAG213");
    panel.content = "=cmd|' /C calc'!A0";
    panel.encrypt = true;
    panel.newKey = "0A0B0C0D";
    c.OnWrite();
    c.OnWrite();  // now protected with the new key: the original one fails to authenticate
    const std::string text = FileText(file);
    EXPECT_EQ(text.find("0A0B0C0D"), std::string::npos);
    EXPECT_EQ(text.find("0a0b0c0d"), std::string::npos);
    std::string problem;
    const auto records = app::ParseJournal(text, problem);
    ASSERT_EQ(records.size(), 2u) << text;
    EXPECT_EQ(records[0]["time"], "2026-05-28T20:26:40.123Z");
    EXPECT_EQ(records[0]["reader"], "SIM-0001");
    EXPECT_EQ(records[0]["panel"], "text");
    EXPECT_EQ(records[0]["message"], "=cmd|' /C calc'!A0");
    EXPECT_NE(text.find(",'=cmd|' /C calc'!A0,"), std::string::npos) << text;
    EXPECT_EQ(records[0]["encryption"], "on");
    std::string error;
    EXPECT_EQ(records[0]["key_fingerprint"],
              app::KeyFingerprint({0x0A, 0x0B, 0x0C, 0x0D}, *app::FingerprintSecret(error)));
    EXPECT_EQ(records[0]["result"], "success");
    EXPECT_EQ(records[0]["ndef_sha256"].size(), 64u);
    EXPECT_EQ(records[1]["result"], "failure");
    EXPECT_FALSE(records[1]["failure"].empty());
}

// The mirror, the counter a Read showed and the signature's verdict have columns of their own; a
// file an earlier version began keeps its header, and the records appended to it its columns.
TEST_F(JournalRuns, NewColumnsAndAFileBegunWithTheOlderHeader) {
    const auto run = [&](const std::filesystem::path& file) {
        app::TagJournal journal(app::JournalFile::Single(file));
        const panels::SpreadsheetSource noSheet(panel);
        app::PanelJournal panelJournal(journal, *devices, PanelKind::Url, noSheet);
        auto& c = Controller(PanelKind::Url);
        c.SetJournal(&panelJournal);
        NewTag("NTAG213");
        panel.prefix = 4;
        panel.content = "example.com/t?u={mirror}";
        panel.mirrorKind = tag::MirrorKind::Both;
        c.OnWrite();
        c.OnRead();
        std::string problem;
        auto records = app::ParseJournal(FileText(file), problem);
        EXPECT_EQ(problem, "");
        return records;
    };
    auto records = run(directory() / "new.csv");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].columns(), app::kJournalColumns);
    EXPECT_EQ(records[0]["mirror"], "both");
    EXPECT_EQ(records[0]["message"], "https://example.com/t?u=00000000000000x000000");
    EXPECT_EQ(records[0]["counter"], "");
    EXPECT_EQ(records[1]["operation"], "read");
    EXPECT_EQ(records[1]["counter"], "2");
    EXPECT_EQ(records[1]["genuine"], "no");

    const std::vector<std::string> older(app::kJournalColumns.begin(),
                                         app::kJournalColumns.end() - 3);
    const auto oldFile = directory() / "old.csv";
    std::vector<std::string> oldRecord(older.size());
    oldRecord[0] = "2026-12-01T08:00:00.000Z";
    std::ofstream(oldFile, std::ios::binary) << app::CsvLine(older) << app::CsvLine(oldRecord);
    records = run(oldFile);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].columns(), older);
    EXPECT_EQ(records[2].cells().size(), older.size());
    EXPECT_EQ(records[2]["operation"], "read");
    EXPECT_EQ(records[2]["counter"], "");  // a column the file does not have
}

TEST_F(JournalRuns, AVerifyFailureIsRecordedAsSuchAndATemplateAsItWasWritten) {
    const auto file = directory() / "tags.csv";
    app::TagJournal journal(app::JournalFile::Single(file));
    const panels::SpreadsheetSource noSheet(panel);
    app::PanelJournal panelJournal(journal, *devices, PanelKind::Text, noSheet);
    auto& c = Controller(PanelKind::Text);
    c.SetJournal(&panelJournal);
    panel.verify = true;
    panel.templates = true;
    panel.content = "tag {uid} #{n}";
    const std::string weak = NewTag("NTAG213");
    SimOk({"fault", "weak", "--reader", "SIM-0001", "--page", "5"});
    c.OnWrite();
    EXPECT_EQ(results.back(), RunResult::Failed);
    const std::string sound = NewTag("NTAG213");
    c.OnWrite();
    EXPECT_EQ(results.back(), RunResult::Succeeded);
    // A tag the first READ of the check does not reach is a failure of the check as well.
    NewTag("NTAG213");
    SimOk({"fault", "fail", "TyA_NTAG_Read", "--reader", "SIM-0001", "--nth", "4"});
    c.OnWrite();
    EXPECT_EQ(results.back(), RunResult::Failed);
    // A failure before the check is a plain failure.
    NewTag("NTAG213");
    SimOk({"fault", "fail", "TyA_NTAG_Write", "--reader", "SIM-0001", "--nth", "1"});
    c.OnWrite();
    EXPECT_EQ(results.back(), RunResult::Failed);

    std::string problem;
    const auto records = app::ParseJournal(FileText(file), problem);
    ASSERT_EQ(records.size(), 4u) << FileText(file);
    EXPECT_EQ(records[0]["result"], "verify failed");
    EXPECT_EQ(records[0]["failure"], "Verify failed: Page5 !");
    EXPECT_EQ(records[0]["message"], "tag " + weak + " #1");
    EXPECT_EQ(records[1]["result"], "success");
    EXPECT_EQ(records[1]["message"], "tag " + sound + " #1");
    EXPECT_EQ(records[2]["result"], "verify failed");
    EXPECT_EQ(records[3]["result"], "failure");
}

TEST_F(JournalRuns, ATagInFlightResumedGetsThePasswordAndLockItsRunDidNotReach) {
    RecordingJournal journal(pauses);
    auto& c = Controller(PanelKind::Text);
    c.SetJournal(&journal);
    panel.newKey = "0A0B0C0D";
    panel.verify = true;
    const auto protect = [&](bool encrypt, bool lock) {
        panel.fromFile = false;
        panel.encrypt = encrypt;
        panel.lock = lock;
        panel.content = "row 1";
        c.OnWrite();
        EXPECT_EQ(results.back(), RunResult::Succeeded) << Texts().back();
    };
    // What a tag that received the row with its password and lock holds.
    const std::string finished = NewTag("NTAG213");
    protect(true, true);
    const auto protectedPages = Pages(finished, 40, 4);  // dynamic lock, CFG0, CFG1, PWD
    const auto staticLock = Pages(finished, 2, 1);

    // Interrupted after the message (nothing protected), after the password (not locked), and
    // during the read-back (everything done).
    for (const int stepsDone : {1, 2, 3}) {
        SCOPED_TRACE(stepsDone);
        const std::string inFlight = NewTag("NTAG213");
        protect(stepsDone >= 2, stepsDone >= 3);
        panel.fromFile = true;
        panel.encrypt = true;
        panel.lock = true;
        panel.content = "row 1";
        panel.rowNumber = "1";
        rows.rows = {"row 2"};
        rows.ready = true;
        c.ledger().ExpectTagInFlight();
        last.Clear();
        EXPECT_EQ(c.RunWrite(), RunResult::Succeeded) << Texts().back();
        EXPECT_TRUE(journal.records.back().readBack);
        EXPECT_EQ(Pages(inFlight, 40, 4), protectedPages);
        EXPECT_EQ(Pages(inFlight, 2, 1)[2], staticLock[2]);
        EXPECT_EQ(Pages(inFlight, 2, 1)[3], staticLock[3]);
        EXPECT_EQ(panel.content, "row 2");
    }
}

TEST_F(JournalRuns, ATagInFlightResumedGetsTheCounterItsRunDidNotReach) {
    auto& c = Controller(PanelKind::Text);
    const std::string inFlight = NewTag("NTAG213");
    panel.content = "row 1";
    c.OnWrite();  // the interrupted run wrote the message, not yet the counter
    ASSERT_EQ(results.back(), RunResult::Succeeded);
    ASSERT_EQ(Pages(inFlight, 0x2A, 1)[0], 0x00);
    panel.fromFile = true;
    panel.counter = true;
    panel.rowNumber = "1";
    rows.rows = {"row 2"};
    c.ledger().ExpectTagInFlight();
    last.Clear();
    EXPECT_EQ(c.RunWrite(), RunResult::Succeeded) << Texts().back();
    EXPECT_EQ(Pages(inFlight, 0x2A, 1)[0], 0x10);
    EXPECT_EQ(panel.content, "row 2");
}

TEST(JournalBatches, AnErasedTagNoLongerHoldsItsRow) {
    const auto columns = std::make_shared<const std::vector<std::string>>(
        std::vector<std::string>{"uid", "operation", "batch_sha256", "row", "result"});
    app::BatchProgress progress("abc");
    progress.Count(app::JournalRecord(columns, {"04AA", "write", "abc", "1", "success"}));
    progress.Count(app::JournalRecord(columns, {"04BB", "write", "abc", "2", "success"}));
    progress.Count(app::JournalRecord(columns, {"04AA", "erase", "", "", "failure"}));
    EXPECT_EQ(progress.uids.count("04AA"), 1u);
    progress.Count(app::JournalRecord(columns, {"04AA", "erase", "", "", "success"}));
    EXPECT_EQ(progress.uids.count("04AA"), 0u);
    EXPECT_EQ(progress.uids.at("04BB"), 2);
    EXPECT_EQ(progress.lastRow, 2);
}

TEST_F(JournalRuns, ATemplatedTagInFlightIsWrittenAgainWithTheNewRunsNumber) {
    RecordingJournal journal(pauses);
    auto& c = Controller(PanelKind::Text);
    c.SetJournal(&journal);
    // The interrupted run gave row 2 to its fifth tag, and died before recording it.
    const std::string inFlight = NewTag("NTAG213");
    panel.content = "row 2 #5";
    c.OnWrite();
    ASSERT_EQ(results.back(), RunResult::Succeeded);

    // Resumed, {n} counts from 1 again: the tag does not hold what row 2 expands to now, so the
    // same tag is written again with it; the row is on one tag, numbered by this run.
    panel.templates = true;
    panel.fromFile = true;
    panel.content = "row {row} #{n}";
    panel.rowNumber = "2";
    rows.rows = {"row {row} #{n}"};
    c.ledger().ExpectTagInFlight();
    last.Clear();
    c.OnWrite();
    ASSERT_EQ(results.back(), RunResult::Succeeded) << Texts().back();
    EXPECT_FALSE(journal.records.back().readBack);
    EXPECT_EQ(journal.records.back().message, "row 2 #1");
    EXPECT_EQ(*journal.records.back().row, 2);
    const auto held = Pages(inFlight, 6, 3);  // the text begins at byte 25
    EXPECT_EQ(std::string(held.begin() + 1, held.begin() + 9), "row 2 #1");
}

TEST_F(JournalRuns, AJournalThatCannotBeWrittenIsReportedOnceAndStopsNothing) {
    // A directory where the file should be.
    const auto file = directory() / "taken";
    std::filesystem::create_directories(file);
    app::TagJournal journal(app::JournalFile::Single(file));
    const panels::SpreadsheetSource noSheet(panel);
    app::PanelJournal panelJournal(journal, *devices, PanelKind::Text, noSheet);
    auto& c = Controller(PanelKind::Text);
    c.SetJournal(&panelJournal);
    panel.content = "still written";
    int reports = 0;
    for (int i = 0; i < 3; ++i) {
        NewTag("NTAG213");
        c.OnWrite();  // each run clears the log first
        EXPECT_EQ(results.back(), RunResult::Succeeded);
        for (const auto& t : Texts()) {
            reports += t.starts_with("The journal cannot be written: ") ? 1 : 0;
        }
    }
    EXPECT_TRUE(journal.failed());
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(sink.status.starts_with("The journal cannot be written: "));
    EXPECT_EQ(pauses.size(), 3u);
}

TEST_F(JournalRuns, ABatchStopsBeforeTheNextTagWhenItsJournalCannotBeWritten) {
    const auto file = directory() / "taken";
    std::filesystem::create_directories(file);
    app::TagJournal journal(app::JournalFile::Single(file));
    const panels::SpreadsheetSource noSheet(panel);
    app::PanelJournal panelJournal(journal, *devices, PanelKind::Text, noSheet);
    auto& c = Controller(PanelKind::Text);
    c.SetJournal(&panelJournal);
    panel.fromFile = true;
    panel.autoOp = true;
    panel.content = "row 1";
    rows.rows = {"row 2", "row 3"};
    const std::string first = NewTag("NTAG213");
    c.OnWrite();
    ASSERT_TRUE(timers.Running(panels::kAutoWriteTimer));
    timers.TickAll();
    // The tag holds its row, but nothing says so: no feedback, so it stays in the field for the
    // read-back of the run that resumes, and the loop ends before another tag takes a row.
    EXPECT_EQ(results.back(), RunResult::Failed);
    EXPECT_FALSE(timers.AnyRunning());
    EXPECT_TRUE(pauses.empty());
    const auto texts = Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "The batch stopped: the journal cannot be written !");
    EXPECT_EQ(sink.lines.back().colour, feed::kRed);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Write data succeed: row 1"), texts.end());

    // The row stays with the tag that holds it: started again, the Write reads the tag back
    // instead of giving it the next row, which would leave row 1 on no tag and in no record.
    EXPECT_EQ(panel.content, "row 1");
    const auto held = Pages(first, 4, 8);
    c.OnWrite();
    timers.TickAll();
    EXPECT_EQ(results.back(), RunResult::Failed);
    EXPECT_EQ(Pages(first, 4, 8), held);
    EXPECT_EQ(panel.content, "row 1");
    EXPECT_EQ(Texts().back(), "The batch stopped: the journal cannot be written !");
}

TEST_F(JournalRuns, KeyFingerprintsNeedTheOperatorsSecretAndTheJournalIsTheirsAlone) {
    std::vector<std::vector<std::string>> prints;
    for (const char* operatorFolder : {"one", "two"}) {
        ::setenv("XDG_DATA_HOME", (directory() / operatorFolder).c_str(), 1);
        const auto folder = app::JournalFile::DefaultFolder();
        app::TagJournal journal(app::JournalFile::Daily(folder));
        for (const std::uint8_t b : std::vector<std::uint8_t>{0x11, 0x22, 0x33, 0x44}) {
            HandledTag tag;
            tag.key = tag::Key{b, b, b, b};
            tag.encryption = true;
            tag.succeeded = true;
            journal.Append(tag, {});
        }
        EXPECT_FALSE(journal.failed());
        std::vector<std::string> problems;
        std::vector<std::string> print;
        for (const auto& record : app::LoadJournal(app::JournalFile::Daily(folder), problems)) {
            print.push_back(record["key_fingerprint"]);
            EXPECT_EQ(record["key_fingerprint"].size(), 4u);
        }
        EXPECT_EQ(print.size(), 4u);
        prints.push_back(print);
        struct stat info {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        ASSERT_EQ(::stat(folder.parent_path().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        for (const auto& file : app::JournalFile::Daily(folder).Files()) {
            ASSERT_EQ(::stat(file.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, 0600u) << file;
        }
    }
    ::setenv("XDG_DATA_HOME", (directory() / "data").c_str(), 1);
    // Another operator's secret gives other fingerprints; so do the key and a fixed label alone,
    // which is all that someone holding only the journal could try.
    EXPECT_NE(prints[0], prints[1]);
    std::vector<std::string> unkeyed;
    for (const std::uint8_t b : std::vector<std::uint8_t>{0x11, 0x22, 0x33, 0x44}) {
        const std::string label = "Tagwright key fingerprint 1:";
        std::vector<std::uint8_t> bytes(label.begin(), label.end());
        bytes.insert(bytes.end(), {b, b, b, b});
        unkeyed.push_back(app::Sha256Hex(bytes).substr(0, 4));
    }
    EXPECT_NE(prints[0], unkeyed);
}

TEST_F(JournalRuns, ResumingReadsTheFirstTagBackAndWritesOnlyWhatItDoesNotHold) {
    RecordingJournal journal(pauses);
    auto& c = Controller(PanelKind::Text);
    c.SetJournal(&journal);
    panel.fromFile = true;
    panel.content = "row 1";
    rows.rows = {"row 2", "row 3"};
    // A torn write: the tag leaves the field in the middle of its pages.
    const std::string torn = NewTag("NTAG213");
    SimOk({"fault", "tear", "--reader", "SIM-0001", "--after", "9"});
    EXPECT_EQ(c.RunWrite(), RunResult::Failed);
    ASSERT_EQ(journal.records.size(), 1u);
    EXPECT_FALSE(journal.records[0].succeeded);
    EXPECT_EQ(panel.content, "row 1");  // the row waits

    // Resumed: the torn tag comes back first; what it holds is not its row, so it is written.
    SimOk({"tag", "place", torn, "--reader", "SIM-0001"});
    c.ledger().ExpectTagInFlight();
    last.Clear();
    EXPECT_EQ(c.RunWrite(), RunResult::Succeeded);
    EXPECT_EQ(RedLines(), 0);
    EXPECT_EQ(Texts()[1], "Write data succeed: row 1");
    EXPECT_FALSE(journal.records.back().readBack);
    EXPECT_EQ(*journal.records.back().row, 1);

    // A tag that already holds the row it would get keeps it, unwritten, and the row advances.
    const std::string held = NewTag("NTAG213");
    panel.fromFile = false;
    panel.content = "row 2";
    c.RunWrite();
    panel.fromFile = true;
    last.Clear();
    c.ledger().ExpectTagInFlight();
    const std::uint64_t writes = CommandCount("TyA_NTAG_Write");
    EXPECT_EQ(c.RunWrite(), RunResult::Succeeded);
    EXPECT_EQ(CommandCount("TyA_NTAG_Write"), writes);
    EXPECT_EQ(Texts()[1], "The tag already holds row 1 !");  // the fake rows keep no number
    EXPECT_TRUE(journal.records.back().readBack);
    EXPECT_EQ(panel.content, "row 3");
    // Only the first tag is read back. The last row ends the batch, and is recorded all the same.
    NewTag("NTAG213");
    EXPECT_EQ(c.RunWrite(), RunResult::WrittenBatchEnded);
    EXPECT_EQ(Texts()[1], "Write data succeed: row 3");
    EXPECT_TRUE(journal.records.back().succeeded);
    EXPECT_EQ(journal.records.back().message, "row 3");
}

}  // namespace
}  // namespace tagwright::testing
