// SPDX-License-Identifier: MIT
// Auto operation on the simulated conveyor, batch rows, Stop, and the success feedback.
#include <gtest/gtest.h>

#include <sstream>

#include "panels/core/spreadsheet_source.h"
#include "support/panel_rig.h"

namespace tagwright::testing {
namespace {

using panels::PanelKind;
using panels::RunResult;

class AutoOperation : public PanelRig {
  protected:
    std::vector<std::string> Queue(int count, int gap) {
        SimOk({"tag", "remove", "--reader", "SIM-0001"});
        std::istringstream out(
            SimOk({"queue", "--reader", "SIM-0001", "--count", std::to_string(count), "--gap-polls",
                   std::to_string(gap), "--layout", "plain"}));
        std::vector<std::string> uids;
        for (std::string uid; out >> uid;)
            uids.push_back(uid);
        return uids;
    }
    std::string TextOn(const std::string& uid) {
        const auto bytes = Pages(uid, 4, 8);
        const std::size_t n = bytes[4] - 3;  // Text payload length minus status and code
        return std::string(bytes.begin() + 9, bytes.begin() + 9 + static_cast<long>(n));
    }
};

TEST_F(AutoOperation, EachConveyedTagIsWrittenOnceAndTheLogShowsOneTagAtATime) {
    const auto uids = Queue(3, 2);
    panel.autoOp = true;
    panel.content = "batch";
    auto& text = Controller(PanelKind::Text);
    text.OnWrite();
    EXPECT_FALSE(panel.readWriteEnabled);
    ASSERT_TRUE(timers.Running(panels::kAutoWriteTimer));
    EXPECT_EQ(timers.Period(panels::kAutoWriteTimer), std::chrono::milliseconds(100));
    EXPECT_TRUE(results.empty());  // nothing before the first tick

    timers.TickAll();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Waiting for card ......"}));
    for (int tick = 0; tick < 12; ++tick)
        timers.TickAll();
    const auto count = [this](RunResult r) {
        return std::count(results.begin(), results.end(), r);
    };
    EXPECT_EQ(count(RunResult::Succeeded), 3);
    EXPECT_EQ(count(RunResult::Failed), 0);
    for (const auto& uid : uids)
        EXPECT_EQ(TextOn(uid), "batch");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Waiting for card ......"}));
    EXPECT_EQ(CommandCount("TyA_NTAG_GetVersion"), 3u);  // each tag identified once

    text.OnStop();
    EXPECT_FALSE(timers.AnyRunning());
    EXPECT_TRUE(panel.readWriteEnabled);
}

TEST_F(AutoOperation, ATagLeftInTheFieldIsHandledOnceAndKeepsItsLog) {
    NewTag("NTAG213");
    panel.autoOp = true;
    panel.content = "once";
    auto& text = Controller(PanelKind::Text);
    text.OnWrite();
    for (int tick = 0; tick < 5; ++tick)
        timers.TickAll();
    EXPECT_EQ(results.front(), RunResult::Succeeded);
    EXPECT_EQ(std::count(results.begin(), results.end(), RunResult::Skipped), 4);
    EXPECT_EQ(Texts().back(), "Waiting for the card to be removed ......");
    // The light stays at 2 while the tag is there.
    const std::string stats = SimOk({"stats", "--reader", "SIM-0001"});
    EXPECT_NE(stats.find("lights 2 1 2\n"), std::string::npos) << stats;

    // Read with Auto operation too: Read and Write are disabled, timer 0 runs.
    text.OnStop();
    text.OnRead();
    EXPECT_TRUE(timers.Running(panels::kAutoReadTimer));
    timers.TickAll();
    EXPECT_EQ(panel.shownText, "once");
    text.OnStop();
}

TEST_F(AutoOperation, RowsAdvanceAfterEachWriteAndTheBatchEndsWithItsRows) {
    const auto uids = Queue(4, 1);
    panel.autoOp = true;
    panel.fromFile = true;
    panel.content = "row 1";
    rows.rows = {"row 2", "row 3"};
    auto& text = Controller(PanelKind::Text);
    text.OnWrite();
    for (int tick = 0; tick < 20; ++tick)
        timers.TickAll();
    EXPECT_EQ(TextOn(uids[0]), "row 1");
    EXPECT_EQ(TextOn(uids[1]), "row 2");
    EXPECT_EQ(TextOn(uids[2]), "row 3");
    // After the last row the load failed: no success signal, and the loop stopped, so the
    // fourth tag keeps its empty factory message.
    EXPECT_EQ(Texts().back(), "Unrecognizable character types !");
    EXPECT_FALSE(timers.AnyRunning());
    EXPECT_TRUE(panel.readWriteEnabled);
    EXPECT_EQ(Pages(uids[3], 4, 1), (std::vector<std::uint8_t>{0x03, 0x00, 0xFE, 0x00}));
    EXPECT_EQ(std::count(results.begin(), results.end(), RunResult::Succeeded), 2);
    EXPECT_EQ(results.back(), RunResult::WrittenBatchEnded);
}

TEST_F(AutoOperation, WriteFromFileNeedsALoadedSheet) {
    NewTag("NTAG213");
    panel.fromFile = true;
    rows.loaded = false;
    Controller(PanelKind::Url).OnWrite();
    EXPECT_EQ(sink.status, "No files have been loaded yet !");
    EXPECT_TRUE(results.empty());
    EXPECT_FALSE(timers.AnyRunning());
}

// "Write from file" with a real sheet: a row that did not load never reaches a tag, on any
// panel, alone or as the first of an Auto batch, even with Lock checked.
class SheetBatch : public AutoOperation {
  protected:
    std::string Fixture(const std::string& name) {
        return (std::filesystem::path(TAGWRIGHT_FIXTURES_DIR) / name).string();
    }
    bool TagUntouched(const std::string& uid, const std::vector<std::uint8_t>& before) {
        for (const auto& [kind, count] : CommandCounts()) {
            if (kind.rfind("TyA_", 0) == 0) return false;
        }
        return Memory(uid) == before;
    }
    panels::SpreadsheetSource sheet{panel};
};

TEST_F(SheetBatch, ARowThatDidNotLoadIsNeverWritten) {
    const std::pair<const char*, const char*> badRows[] = {
        {"4", "Unrecognizable character types !"},   // a number
        {"7", "Unrecognizable character types !"},   // blank
        {"11", "Unrecognizable character types !"},  // past the last row
        {"0", "The row number should be greater than 0 !"},
        {"abc", "The row number should be greater than 0 !"}};
    for (const PanelKind kind : {PanelKind::Text, PanelKind::Url, PanelKind::SmartPoster}) {
        for (const auto& [row, message] : badRows) {
            for (const bool autoOperation : {false, true}) {
                SCOPED_TRACE(std::string("row ") + row + (autoOperation ? ", auto" : ""));
                const std::string uid = NewTag("NTAG213");
                const auto before = Memory(uid);
                SimOk({"stats", "--reader", "SIM-0001", "--reset"});
                panel = FakePanel{};
                panel.fromFile = panel.lock = true;
                panel.autoOp = autoOperation;
                panel.rowNumber = row;
                panel.content = "typed before";
                sheet.LoadChosenFile(Fixture("rows.xls"));
                Controller(kind, sheet).OnWrite();
                EXPECT_EQ(Texts().back(), message);
                EXPECT_EQ(sink.lines.back().colour, feed::kRed);
                EXPECT_FALSE(timers.AnyRunning());
                for (int tick = 0; tick < 3; ++tick)
                    timers.TickAll();
                EXPECT_TRUE(results.empty());
                EXPECT_TRUE(TagUntouched(uid, before));
            }
        }
    }
}

TEST_F(SheetBatch, MovingToARowThatDoesNotLoadDuringAutoOperationStopsIt) {
    panel.fromFile = panel.autoOp = true;
    panel.rowNumber = "3";
    sheet.LoadChosenFile(Fixture("rows.csv"));
    EmptyTheField();
    auto& text = Controller(PanelKind::Text, sheet);
    text.OnWrite();
    timers.TickAll();  // waiting for a tag
    sheet.NextRow();   // row 4 holds a number: the content field is emptied
    EXPECT_EQ(panel.content, "");
    const std::string uid = NewTag("NTAG213", "datasheet");
    const auto before = Memory(uid);
    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    timers.TickAll();
    EXPECT_EQ(results.back(), RunResult::Refused);
    EXPECT_FALSE(timers.AnyRunning());
    EXPECT_TRUE(panel.readWriteEnabled);
    EXPECT_TRUE(TagUntouched(uid, before));
    EXPECT_EQ(Texts().back(), "Unrecognizable character types !");
}

TEST_F(SheetBatch, TheLastRowWrittenEndsTheBatchWithItsTagWritten) {
    const auto uids = Queue(2, 0);
    panel.fromFile = panel.autoOp = true;
    panel.rowNumber = "10";
    sheet.LoadChosenFile(Fixture("rows.xlsx"));
    auto& text = Controller(PanelKind::Text, sheet);
    text.OnWrite();
    for (int tick = 0; tick < 5; ++tick)
        timers.TickAll();
    EXPECT_EQ(TextOn(uids[0]), "last");
    EXPECT_EQ(results, (std::vector<RunResult>{RunResult::WrittenBatchEnded}));
    EXPECT_TRUE(sheet.RowsRanOut());
    EXPECT_FALSE(timers.AnyRunning());
    EXPECT_EQ(Texts().back(), "Unrecognizable character types !");
    EXPECT_EQ(Pages(uids[1], 4, 1), (std::vector<std::uint8_t>{0x03, 0x00, 0xFE, 0x00}));
}

TEST_F(AutoOperation, SuccessFeedbackWithAndWithoutAutoOperation) {
    NewTag("NTAG213");
    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    auto& text = Controller(PanelKind::Text);
    text.OnRead();  // the factory message is empty: a failure, no feedback
    EXPECT_EQ(Texts().back(), "Unrecognizable NDEFMessage !");
    EXPECT_TRUE(pauses.empty());
    text.OnWrite();
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(110)}));
    const std::string stats = SimOk({"stats", "--reader", "SIM-0001"});
    EXPECT_NE(stats.find("lights 2 1\nbuzzer 10"), std::string::npos) << stats;
}

TEST_F(AutoOperation, NoReaderChosenOrNotOpened) {
    devices->Close();
    auto& text = Controller(PanelKind::Text);
    text.OnRead();
    EXPECT_EQ(sink.status, "Device not opened !");
    combo.Select(0);
    devices->OnSelectionChange();
    text.OnWrite();
    text.OnClearKey();
    EXPECT_EQ(panel.errorBoxes,
              (std::vector<std::string>{"Please select a device !", "Please select a device !"}));
    EXPECT_TRUE(results.empty());
}

// A reader unplugged while Auto operation waits for a card, or in the middle of a tag: the poll
// that finds it gone ends Auto operation with one red line naming the call and its status, and the
// reader error in the Tips field, as a failed reader call is reported; nothing polls on.
TEST_F(AutoOperation, AReaderUnpluggedEndsAutoOperationAndSaysSo) {
    for (const bool midTag : {false, true}) {
        SCOPED_TRACE(midTag ? "unplugged while a tag is written" : "unplugged while waiting");
        if (midTag) {
            SimOk({"reader", "attach", "SIM-0001"});
            devices->Open();
            NewTag("NTAG213");
            SimOk({"fault", "detach", "--reader", "SIM-0001", "--after", "9"});
        } else {
            SimOk({"tag", "remove", "--reader", "SIM-0001"});
        }
        results.clear();
        sink.lines.clear();
        panel.autoOp = true;
        panel.content = "unplugged";
        auto& text = Controller(PanelKind::Text);
        text.OnWrite();
        timers.TickAll();
        if (!midTag) {
            EXPECT_EQ(Texts(), (std::vector<std::string>{"Waiting for card ......"}));
            SimOk({"reader", "detach", "SIM-0001"});
            timers.TickAll();
        } else {
            EXPECT_TRUE(timers.Running(panels::kAutoWriteTimer));  // a failed tag goes on
            timers.TickAll();
        }
        // The lines before the error stay: what the field held, or the tag that failed.
        const auto texts = Texts();
        ASSERT_EQ(texts.size(), midTag ? 3u : 2u);
        EXPECT_EQ(texts.back(), "TyA_Request");
        if (midTag) {
            EXPECT_TRUE(texts[0].starts_with("NTAG213, UID: ")) << texts[0];
            EXPECT_EQ(texts[1], "Write faild: Page4 !");
        } else {
            EXPECT_EQ(texts[0], "Waiting for card ......");
        }
        EXPECT_EQ(sink.lines.back().code, 0x04);
        EXPECT_EQ(sink.lines.back().colour, feed::kRed);
        EXPECT_EQ(sink.status, "Error:0x04,Function:TyA_Request");
        EXPECT_EQ(sink.statusColour, feed::kRed);
        EXPECT_FALSE(timers.Running(panels::kAutoWriteTimer));
        EXPECT_TRUE(panel.readWriteEnabled);
        EXPECT_EQ(results.back(), RunResult::Refused);
        timers.TickAll();
        EXPECT_EQ(Texts(), texts);  // Auto operation has ended
    }
}

TEST_F(AutoOperation, WithoutAutoOperationANewCommandHandlesTheSameTagAgain) {
    NewTag("NTAG213");
    panel.content = "twice";
    auto& text = Controller(PanelKind::Text);
    text.OnWrite();
    text.OnRead();
    text.OnRead();
    EXPECT_EQ(results, (std::vector<RunResult>{RunResult::Succeeded, RunResult::Succeeded,
                                               RunResult::Succeeded}));
}

}  // namespace
}  // namespace tagwright::testing
