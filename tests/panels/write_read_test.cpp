// SPDX-License-Identifier: MIT
// Write and Read through the operation controller on simulated tags: the bytes on the tag, the
// size limits, and what each panel accepts on reading.
#include <gtest/gtest.h>

#include "panels/core/spreadsheet_source.h"
#include "support/panel_rig.h"

namespace tagwright::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using panels::PanelKind;
using panels::RunResult;

class WriteRead : public PanelRig {};

TEST_F(WriteRead, TextAbcOnAPlainTagByteForByte) {
    const std::string uid = NewTag("NTAG213");
    panel.content = "abc";
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"NTAG213, UID: " + uid, "Write data succeed: abc"}));
    EXPECT_EQ(Pages(uid, 4, 5),
              (Bytes{0x03, 0x0A, 0xD1, 0x01, 0x06, 0x54, 0x02, 0x7A, 0x68, 0x61,
                     0x62, 0x63, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(CommandCount("TyA_NTAG_Write"), 4u);  // pages 4 to 7

    panel.content.clear();
    controller->OnRead();
    EXPECT_EQ(panel.shownText, "abc");
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"NTAG213, UID: " + uid, "Read data succeed !",
                                        "The signature does not match: not a genuine NXP chip !"}));
    EXPECT_EQ(panel.shownGenuine, false);
    EXPECT_EQ(results, (std::vector<RunResult>{RunResult::Succeeded, RunResult::Succeeded}));
}

// With "Genuine only" a tag whose signature is not NXP's gets nothing written: a look-alike (every
// simulated tag) and an NTAG203, which has no signature. A simulated tag carrying a real chip's UID
// and signature is written, and Read calls it genuine.
TEST_F(WriteRead, GenuineOnlyWritesNothingToALookAlike) {
    panel.genuineTagsOnly = true;
    panel.content = "abc";
    const std::pair<const char*, const char*> refusals[] = {
        {"NTAG213", "Not a genuine NXP chip: nothing was written !"},
        {"NTAG203", "The tag has no originality signature !"}};
    for (const auto& [model, refusal] : refusals) {
        const std::string uid = NewTag(model);
        Controller(PanelKind::Text).OnWrite();
        EXPECT_EQ(results.back(), RunResult::Failed) << model;
        EXPECT_EQ(Texts(),
                  (std::vector<std::string>{std::string(model) + ", UID: " + uid, refusal}));
        EXPECT_EQ(RedLines(), 1);
        EXPECT_EQ(Pages(uid, 4, 1), (Bytes{0x03, 0x00, 0xFE, 0x00})) << model;
        EXPECT_EQ(CommandCount("TyA_NTAG_Write"), 0u) << model;
    }

    EmptyTheField();
    const std::string uid =
        SimOk({"tag", "new", "--uid", "04AB87F2CA1190", "--signature",
               "67B1750BCCEB1174F9A33BF20E0226551A6366939B31F949848C3C087350FA90", "--layout",
               "plain", "--reader", "SIM-0001"});
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(results.back(), RunResult::Succeeded) << Texts().back();
    EXPECT_EQ(Pages(uid, 4, 2), (Bytes{0x03, 0x0A, 0xD1, 0x01, 0x06, 0x54, 0x02, 0x7A}));
    panel.content.clear();
    controller->OnRead();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"NTAG213, UID: 04AB87F2CA1190",
                                                 "Read data succeed !", "Genuine NXP NTAG213"}));
    EXPECT_EQ(panel.shownGenuine, true);
    EXPECT_EQ(RedLines(), 0);
}

TEST_F(WriteRead, TextOnAFactoryNtag213KeepsItsLockControlTlv) {
    const std::string uid = NewTag("NTAG213", "datasheet");
    panel.content = "abc";
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(Pages(uid, 4, 5),
              (Bytes{0x01, 0x03, 0xA0, 0x0C, 0x34, 0x03, 0x0A, 0xD1, 0x01, 0x06,
                     0x54, 0x02, 0x7A, 0x68, 0x61, 0x62, 0x63, 0xFE, 0x00, 0x00}));
    controller->OnRead();
    EXPECT_EQ(panel.shownText, "abc");
}

TEST_F(WriteRead, EmptyTextWritesTheEmptyMessageAndReadsAsUnrecognizable) {
    const std::string uid = NewTag("NTAG213");
    SimOk({"tag", "poke", uid, "5", "11223344"});
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(Texts().back(), "Write data succeed: ");
    EXPECT_EQ(Pages(uid, 4, 2), (Bytes{0x03, 0x00, 0xFE, 0x00, 0x11, 0x22, 0x33, 0x44}));
    controller->OnRead();
    EXPECT_EQ(Texts().back(), "Unrecognizable NDEFMessage !");
    EXPECT_FALSE(panel.shownText);
}

TEST_F(WriteRead, UrlExampleBehindALockControlTlv) {
    const std::string uid = NewTag("NTAG213", "datasheet");
    panel.prefix = 5;
    panel.content = "0123456789";
    Controller(PanelKind::Url).OnWrite();
    EXPECT_EQ(Pages(uid, 4, 6),
              (Bytes{0x01, 0x03, 0xA0, 0x0C, 0x34, 0x03, 0x0F, 0xD1, 0x01, 0x0B, 0x55, 0x05,
                     0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0xFE, 0x00}));
    panel.content.clear();
    controller->OnRead();
    EXPECT_EQ(panel.shownUrl, "0123456789");

    panel.title = "Hi";
    panel.content = "0123456789";
    Controller(PanelKind::SmartPoster).OnWrite();
    const Bytes pages = Pages(uid, 4, 11);
    EXPECT_EQ(Bytes(pages.begin(), pages.begin() + 12),
              (Bytes{0x01, 0x03, 0xA0, 0x0C, 0x34, 0x03, 0x24, 0xD1, 0x02, 0x1F, 0x53, 0x70}));
    EXPECT_EQ(Bytes(pages.begin() + 40, pages.begin() + 44), (Bytes{0x68, 0x48, 0x69, 0xFE}));
    panel.title.clear();
    controller->OnRead();
    EXPECT_EQ(panel.shownTitle, "Hi");
}

TEST_F(WriteRead, UrlAndSmartPosterWorkedExamplesOnTheTag) {
    const std::string uid = NewTag("NTAG213");
    panel.prefix = 5;
    panel.content = "0123456789";
    Controller(PanelKind::Url).OnWrite();
    EXPECT_EQ(Texts().back(), "Write data succeed: 0123456789");
    EXPECT_EQ(Pages(uid, 4, 5),
              (Bytes{0x03, 0x0F, 0xD1, 0x01, 0x0B, 0x55, 0x05, 0x30, 0x31, 0x32,
                     0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0xFE, 0x00, 0x00}));
    EXPECT_EQ(CommandCount("TyA_NTAG_Write"), 5u);
    panel.prefix = 0;
    panel.content.clear();
    controller->OnRead();
    EXPECT_EQ(panel.shownPrefix, 5);
    EXPECT_EQ(panel.shownUrl, "0123456789");

    const std::string poster = NewTag("NTAG213");
    panel.title = "Hi";
    panel.prefix = 5;
    panel.content = "0123456789";
    Controller(PanelKind::SmartPoster).OnWrite();
    EXPECT_EQ(Texts().back(), "Write data succeed: 0123456789");
    const Bytes pages = Pages(poster, 4, 11);
    EXPECT_EQ(Bytes(pages.begin(), pages.begin() + 7),
              (Bytes{0x03, 0x24, 0xD1, 0x02, 0x1F, 0x53, 0x70}));
    EXPECT_EQ(Bytes(pages.begin() + 35, pages.begin() + 40), (Bytes{0x68, 0x48, 0x69, 0xFE, 0x00}));
    EXPECT_EQ(CommandCount("TyA_NTAG_Write"), 5u + 10u);  // ten pages for the poster
    panel.title.clear();
    controller->OnRead();
    EXPECT_EQ(panel.shownTitle, "Hi");
    EXPECT_EQ(panel.shownUrl, "0123456789");
}

TEST_F(WriteRead, TextBoundariesAroundTheShortForms) {
    const std::string uid = NewTag("NTAG215");
    auto& text = Controller(PanelKind::Text);
    const std::pair<std::size_t, Bytes> cases[] = {
        {247, {0x03, 0xFE, 0xD1, 0x01, 0xFA}},
        {248, {0x03, 0xFF, 0x00, 0xFF, 0xD1, 0x01, 0xFB}},
        {252, {0x03, 0xFF, 0x01, 0x03, 0xD1, 0x01, 0xFF}},
        {253, {0x03, 0xFF, 0x01, 0x07, 0xC1, 0x01, 0x00, 0x00, 0x01, 0x00, 0x54}},
    };
    for (const auto& [length, start] : cases) {
        panel.content = std::string(length, 'x');
        text.OnWrite();
        const Bytes pages = Pages(uid, 4, 3);
        EXPECT_EQ(Bytes(pages.begin(), pages.begin() + start.size()), start) << length;
        panel.content.clear();
        text.OnRead();
        EXPECT_EQ(panel.shownText, std::string(length, 'x'));
    }
}

TEST_F(WriteRead, TlvLengthTakenFromThePage8Block) {
    const std::string uid = NewTag("NTAG213");
    // Fourteen NULL TLVs, the NDEF TLV at byte 14, its 0xFF length form running into page 8.
    SimOk({"tag", "poke", uid, "4", "00000000"});
    SimOk({"tag", "poke", uid, "7", "000003FF"});
    SimOk({"tag", "poke", uid, "8", "000AD101"});
    SimOk({"tag", "poke", uid, "9", "0654027A"});
    SimOk({"tag", "poke", uid, "10", "68616263"});
    SimOk({"tag", "poke", uid, "11", "FE000000"});
    Controller(PanelKind::Text).OnRead();
    EXPECT_EQ(panel.shownText, "abc");
    // 3, 4, 8, the message at 4 and 8, then the NFC counter's configuration page
    EXPECT_EQ(CommandCount("TyA_NTAG_Read"), 6u);
}

TEST_F(WriteRead, FullNtag216MessageEndsAtPage225) {
    const std::string uid = NewTag("NTAG216");
    SimOk({"tag", "poke", uid, "3", "E1106F00"});  // announce all 888 bytes
    panel.content = std::string(873, 'f');         // 4 + 10 + 873 + 1 = 888
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(Texts().back(), "Write data succeed: " + panel.content);
    EXPECT_EQ(CommandCount("TyA_NTAG_Write"), 222u);
    EXPECT_EQ(Pages(uid, 225, 1), (Bytes{'f', 'f', 'f', 0xFE}));
    panel.content.clear();
    controller->OnRead();
    EXPECT_EQ(panel.shownText, std::string(873, 'f'));
}

TEST_F(WriteRead, LongUriRecordsOnNtag215And216) {
    for (const char* model : {"NTAG215", "NTAG216"}) {
        const std::string uid = NewTag(model);
        panel.prefix = 3;
        panel.content = std::string(300, 'w');
        Controller(PanelKind::Url).OnWrite();
        const Bytes pages = Pages(uid, 4, 3);
        EXPECT_EQ(Bytes(pages.begin(), pages.begin() + 10),
                  (Bytes{0x03, 0xFF, 0x01, 0x34, 0xC1, 0x01, 0x00, 0x00, 0x01, 0x2D}));
        panel.content.clear();
        controller->OnRead();
        EXPECT_EQ(panel.shownUrl, std::string(300, 'w'));
    }
}

TEST_F(WriteRead, EachPanelRefusesTheOthersRecords) {
    NewTag("NTAG213");
    panel.content = "text";
    Controller(PanelKind::Text).OnWrite();
    Controller(PanelKind::Url).OnRead();
    EXPECT_EQ(Texts().back(), "Unrecognizable NDEFMessage !");
    EXPECT_FALSE(panel.shownUrl);

    panel.content = "url";
    controller->OnWrite();
    Controller(PanelKind::SmartPoster).OnRead();
    EXPECT_EQ(Texts().back(), "Unrecognizable NDEFMessage !");
    Controller(PanelKind::Text).OnRead();
    EXPECT_EQ(Texts().back(), "Unrecognizable NDEFMessage !");

    Controller(PanelKind::SmartPoster).OnWrite();
    Controller(PanelKind::Url).OnRead();
    EXPECT_EQ(Texts().back(), "Unrecognizable NDEFMessage !");
    EXPECT_FALSE(panel.shownText);
    EXPECT_FALSE(panel.shownUrl);
}

TEST_F(WriteRead, UnknownPrefixCodesAndAMissingTerminator) {
    const std::string uid = NewTag("NTAG213");
    // A URI record with code 0x06, terminated.
    SimOk({"tag", "poke", uid, "4", "0306D101"});
    SimOk({"tag", "poke", uid, "5",
           "025506"
           "78"});
    SimOk({"tag", "poke", uid, "6", "FE000000"});
    Controller(PanelKind::Url).OnRead();
    EXPECT_EQ(panel.shownPrefix, panels::kNoPrefix);
    EXPECT_EQ(panel.shownUrl, "x");
    // The same record without the terminator.
    panel.shownUrl.reset();
    SimOk({"tag", "poke", uid, "6", "00000000"});
    controller->OnRead();
    EXPECT_EQ(Texts().back(), "Unrecognizable NDEFMessage !");
    EXPECT_FALSE(panel.shownUrl);
}

TEST_F(WriteRead, CapabilityContainerAndTlvRefusals) {
    const std::string uid = NewTag("NTAG213");
    auto& text = Controller(PanelKind::Text);
    SimOk({"tag", "poke", uid, "3", "E1111200"});
    text.OnRead();
    EXPECT_EQ(Texts().back(), "Non-NDEF data format tag !");
    SimOk({"tag", "poke", uid, "3", "E110120F"});
    text.OnRead();
    EXPECT_EQ(Texts().back(), "Tag is locked !");
    SimOk({"tag", "poke", uid, "3", "E1103F00"});  // announces more than the chip has
    SimOk({"tag", "poke", uid, "4", "FE000000"});
    text.OnRead();
    EXPECT_EQ(Texts().back(), "Non-NDEF data format tag !");
    SimOk({"tag", "poke", uid, "4", "0300FE00"});
    panel.content = "x";
    const auto before = Memory(uid);
    text.OnWrite();  // an NTAG213 cannot hold 504 bytes: the tag is not what it says
    EXPECT_EQ(Texts().back(), "Failed to recognize the tag model !");
    EXPECT_EQ(Memory(uid), before);
    SimOk({"tag", "poke", uid, "3", "E1101200"});
    panel.content = std::string(135, 'x');
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Data length exceeds 1 bytes !");
}

TEST_F(WriteRead, AFixedBufferRefusesStoredMessagesItCannotHold) {
    const std::string uid = NewTag("NTAG216");
    SimOk({"tag", "poke", uid, "4", "03FF03F0"});  // a TLV of 1008 bytes: 1012 + 16 > 1024
    Controller(PanelKind::Url).OnRead();
    EXPECT_EQ(Texts().back(), "The data length is out of range !");
    Controller(PanelKind::Text).OnRead();
    EXPECT_EQ(Texts().back(), "Read faild: Page232 !");  // beyond the NTAG216's last page
}

// Workbooks as LibreOffice and Gnumeric write them (tests/fixtures/make_office_fixtures.py): each
// row lands on the tag as LibreOffice reads the cell back (NAME.expected.csv, its CSV export of
// the same file); a row it reads as empty loads as no text and touches no tag.
TEST_F(WriteRead, EveryRowOfTheOfficeWorkbooksLandsOnTheTagAsTheOfficeProgramReadsIt) {
    const std::filesystem::path fixtures(TAGWRIGHT_FIXTURES_DIR);
    for (const char* name :
         {"office-libreoffice.xlsx", "office-libreoffice.xls", "office-gnumeric.xlsx",
          "office-gnumeric-biff8.xls", "office-gnumeric-biff5.xls"}) {
        SCOPED_TRACE(name);
        sheets::Workbook expected;
        ASSERT_TRUE(expected.Load(fixtures / (std::string(name) + ".expected.csv")));
        const sheets::ColumnA& cells = *expected.FirstSheet();
        ASSERT_GE(cells.lastTextRow(), 10u);
        panel = FakePanel{};
        panel.fromFile = true;
        panel.rowAuto = false;
        panels::SpreadsheetSource source(panel);
        source.LoadChosenFile(fixtures / name);
        ASSERT_TRUE(source.SheetLoaded()) << sink.status;
        auto& text = Controller(PanelKind::Text, source);
        for (std::uint32_t row = 0; row <= cells.lastTextRow() + 1; ++row) {
            SCOPED_TRACE(row + 1);
            panel.rowNumber = std::to_string(row + 1);
            const std::string uid = NewTag("NTAG216");
            const Bytes before = Pages(uid, 4, 4);
            if (!cells.IsText(row)) {
                EXPECT_FALSE(source.ReadCurrentRow());
                text.OnWrite();
                EXPECT_EQ(Texts().back(), "Unrecognizable character types !");
                EXPECT_EQ(Pages(uid, 4, 4), before);
                continue;
            }
            ASSERT_TRUE(source.ReadCurrentRow()) << Texts().back();
            std::string cell = cells.Text(row);
            // Gnumeric writes text into .xlsx unescaped: its literal "_x0041_" is, as the
            // standard reads it, the letter A. LibreOffice decodes only the escapes of characters
            // XML cannot carry and of the underscore, and so reads neither the standard's text
            // nor Gnumeric's.
            if (std::string(name) == "office-gnumeric.xlsx" &&
                cell == "literal _x0041_ and _ and _x") {
                cell = "literal A and _ and _x";
            }
            EXPECT_EQ(panel.content, cell);
            if (cell.size() > 200) continue;  // past any tag: the Write's size check refuses it
            sink.lines.clear();
            text.OnWrite();
            const auto texts = Texts();
            EXPECT_NE(std::find(texts.begin(), texts.end(), "Write data succeed: " + cell),
                      texts.end());
            const auto n = static_cast<std::uint8_t>(cell.size());
            Bytes record{0x03,
                         static_cast<std::uint8_t>(n + 7),
                         0xD1,
                         0x01,
                         static_cast<std::uint8_t>(n + 3),
                         0x54,
                         0x02,
                         'z',
                         'h'};
            record.insert(record.end(), cell.begin(), cell.end());
            record.push_back(0xFE);
            const Bytes pages = Pages(uid, 4, static_cast<int>(record.size() + 3) / 4);
            EXPECT_EQ(Bytes(pages.begin(), pages.begin() + static_cast<long>(record.size())),
                      record);
        }
    }
}

}  // namespace
}  // namespace tagwright::testing
