// SPDX-License-Identifier: MIT
// Per-tag templates: the expander on its own, then through the operation controller on simulated
// tags ({uid} per tag, {n} counting the tags of one run, {row} from the sheet), with the size
// check made on the expanded text and a broken template refused before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "panels/core/message_template.h"
#include "support/panel_rig.h"

namespace tagwright::testing {
namespace {

using panels::ExpandTemplate;
using panels::PanelKind;
using panels::RunResult;
using panels::TemplateValues;

TEST(MessageTemplate, FieldsBracesAndErrors) {
    const TemplateValues values{"04A1B2C3D4E5F6", 12, 3};
    EXPECT_EQ(ExpandTemplate("https://x.io/{uid}?r={row}&n={n}", values).text,
              "https://x.io/04A1B2C3D4E5F6?r=12&n=3");
    EXPECT_EQ(ExpandTemplate("{{uid}} {{{n}}} }}", values).text, "{uid} {3} }");
    EXPECT_EQ(ExpandTemplate("no braces: as it is", values).text, "no braces: as it is");
    EXPECT_EQ(ExpandTemplate("", values).text, "");

    EXPECT_EQ(ExpandTemplate("{id}", values).error, "unknown field {id} (use {uid}, {row} or {n})");
    EXPECT_EQ(ExpandTemplate("{UID}", values).error,
              "unknown field {UID} (use {uid}, {row} or {n})");
    EXPECT_EQ(ExpandTemplate("a {uid", values).error,
              "a '{' without its '}' (write {{ for a brace)");
    EXPECT_EQ(ExpandTemplate("a } b", values).error,
              "a '}' without its '{' (write }} for a brace)");
    EXPECT_EQ(ExpandTemplate("{row}", {"04A1B2C3D4E5F6", std::nullopt, 1}).error,
              "{row} needs the content from a sheet");
    EXPECT_TRUE(ExpandTemplate("{id}", values).text.empty());

    EXPECT_EQ(panels::TemplateError("{row}", false), "{row} needs the content from a sheet");
    EXPECT_EQ(panels::TemplateError("{row}", true), "");
    EXPECT_EQ(panels::LongestExpansion("n={n}", 7, 1500), "n=1500");
}

class Templates : public PanelRig {
  protected:
    RunResult WriteOnce(PanelKind kind) {
        results.clear();
        Controller(kind).OnWrite();
        return results.empty() ? RunResult::Refused : results.back();
    }
};

TEST_F(Templates, EachTagGetsItsUidAndPlaceInTheRun) {
    panel.templates = true;
    panel.autoOp = true;
    panel.prefix = 4;
    panel.content = "example.com/t/{uid}?n={n}";
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    std::istringstream queued(
        SimOk({"queue", "--reader", "SIM-0001", "--count", "3", "--layout", "plain"}));
    auto& url = Controller(PanelKind::Url);
    url.OnWrite();
    for (int tick = 0; tick < 12; ++tick)
        timers.TickAll();
    url.OnStop();
    EXPECT_EQ(std::count(results.begin(), results.end(), RunResult::Succeeded), 3);
    int n = 0;
    for (std::string uid; queued >> uid;) {
        SCOPED_TRACE(uid);
        // 03 L D1 01 P 55 04, then the URI field.
        const auto bytes = Pages(uid, 4, 16);
        const std::string field(bytes.begin() + 7, bytes.begin() + 7 + (bytes[4] - 1));
        EXPECT_EQ(field, "example.com/t/" + uid + "?n=" + std::to_string(++n));
    }
    EXPECT_EQ(n, 3);
}

TEST_F(Templates, WithoutTheOptionBracesAreWrittenAsTheyAre) {
    panel.content = "{uid} {{";
    NewTag("NTAG213");
    EXPECT_EQ(WriteOnce(PanelKind::Text), RunResult::Succeeded);
    EXPECT_EQ(Texts().back(), "Write data succeed: {uid} {{");
}

TEST_F(Templates, RowComesFromTheSheetAndSizeIsCheckedAfterExpansion) {
    panel.templates = true;
    panel.fromFile = true;
    panel.rowNumber = "41";
    panel.content = "row {row}";
    rows.rows = {"row {row}"};
    NewTag("NTAG213");
    EXPECT_EQ(WriteOnce(PanelKind::Text), RunResult::Succeeded);
    EXPECT_EQ(Texts().back(), "Write data succeed: row 41");
    panel.rowNumber = "7";  // as Row -1 or the field would set it
    NewTag("NTAG213");
    EXPECT_EQ(WriteOnce(PanelKind::Text), RunResult::WrittenBatchEnded);  // no third row
    EXPECT_EQ(Texts().at(Texts().size() - 2), "Write data succeed: row 7");

    // NTAG210 holds a text of 38 bytes: the template is 35, its expansion 44.
    panel.fromFile = false;
    panel.content = std::string(30, 'a') + "{uid}";
    NewTag("NTAG210");
    EXPECT_EQ(WriteOnce(PanelKind::Text), RunResult::Failed);
    EXPECT_EQ(Texts().back(), "Data length exceeds 6 bytes !");
}

TEST_F(Templates, ABrokenTemplateIsRefusedBeforeAnyWrite) {
    panel.templates = true;
    panel.title = "Poster {nn}";
    panel.content = "example.com";
    const std::string uid = NewTag("NTAG213");
    const auto before = Memory(uid);
    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    EXPECT_EQ(WriteOnce(PanelKind::SmartPoster), RunResult::Failed);
    EXPECT_EQ(Texts().back(), "Template error: unknown field {nn} (use {uid}, {row} or {n}) !");
    EXPECT_EQ(RedLines(), 1);
    EXPECT_EQ(CommandCount("TyA_NTAG_Write"), 0u);
    EXPECT_EQ(Memory(uid), before);
}

}  // namespace
}  // namespace tagwright::testing
