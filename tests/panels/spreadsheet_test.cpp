// SPDX-License-Identifier: MIT
// The spreadsheet batch source: the three readers on the same fixtures, bad files, and the row
// operations of the panels.
#include <gtest/gtest.h>

#include <fstream>

#include "panels/core/spreadsheet_source.h"
#include "sheets/xlsx_cell_position.h"
#include "support/panel_rig.h"
#include "support/sheet_files.h"
#include "text/text_tables.h"

namespace tagwright::panels {
namespace {

namespace fs = std::filesystem;
using testing::FakePanel;

fs::path Fixture(const std::string& name) {
    return fs::path(TAGWRIGHT_FIXTURES_DIR) / name;
}

class Spreadsheet : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override { text::SetUiLanguage(text::Language::English); }
    void TearDown() override { text::SetUiLanguage(text::Language::Chinese); }
    testing::RecordingSink sink;
    FakePanel panel;
    SpreadsheetSource source{panel};
};

TEST_P(Spreadsheet, ColumnAOfTheFirstSheetAsText) {
    sheets::Workbook book;
    ASSERT_TRUE(book.Load(Fixture("rows." + GetParam())));
    const sheets::ColumnA& a = *book.FirstSheet();
    EXPECT_EQ(a.Text(0), "Hello A1");
    EXPECT_EQ(a.Text(1), "中文内容");
    EXPECT_EQ(a.Text(2), "emoji 😀 ok");
    for (std::uint32_t row : {3u, 4u, 5u, 6u})
        EXPECT_FALSE(a.IsText(row)) << row;
    EXPECT_EQ(a.Text(7), "row 8");
    EXPECT_EQ(a.Text(8), "  spaced, \"quoted\"\nand two lines  ");
    EXPECT_EQ(a.Text(9), "last");
    EXPECT_FALSE(a.IsText(10));
    EXPECT_EQ(a.textCells(), 6u);
}

TEST_P(Spreadsheet, LoadShowsA1AndRowsMoveOnWithTheButtons) {
    source.LoadChosenFile(Fixture("rows." + GetParam()));
    EXPECT_EQ(sink.status, "File Loading Successfully !");
    EXPECT_EQ(panel.filePath, Fixture("rows." + GetParam()).string());
    EXPECT_EQ(panel.content, "Hello A1");

    source.PreviousRow();  // at row 1: nothing at all
    EXPECT_EQ(panel.rowNumber, "1");
    EXPECT_TRUE(sink.lines.empty());

    source.NextRow();
    source.NextRow();
    EXPECT_EQ(panel.rowNumber, "3");
    EXPECT_EQ(panel.content, "emoji 😀 ok");
    source.NextRow();  // a number
    EXPECT_EQ(sink.Texts().back(), "Unrecognizable character types !");
    EXPECT_EQ(panel.content, "");
    source.PreviousRow();
    EXPECT_EQ(panel.content, "emoji 😀 ok");

    panel.rowNumber = "99999";
    source.NextRow();
    EXPECT_EQ(panel.rowNumber, "100000");
    EXPECT_EQ(sink.Texts().back(), "Unrecognizable character types !");
}

TEST_P(Spreadsheet, RowNumbersBelowOneAreRefusedAndLeaveTheContent) {
    source.LoadChosenFile(Fixture("rows." + GetParam()));
    for (const char* row : {"0", "-3", "abc", ""}) {
        panel.rowNumber = row;
        panel.content = "kept";
        EXPECT_FALSE(source.ReadCurrentRow());
        EXPECT_EQ(sink.Texts().back(), "The row number should be greater than 0 !");
        EXPECT_EQ(panel.content, "kept");
    }
    panel.rowNumber = "12a";
    EXPECT_FALSE(source.ReadCurrentRow());  // row 12 is past the last
    panel.rowNumber = "8x";
    EXPECT_TRUE(source.ReadCurrentRow());
    EXPECT_EQ(panel.content, "row 8");
}

TEST_P(Spreadsheet, ThreeAdvancesFromRow1EndAtRow4) {
    source.LoadChosenFile(Fixture("rows." + GetParam()));
    panel.rowNumber = "8";
    EXPECT_TRUE(source.AdvanceAfterWrite());
    EXPECT_TRUE(source.AdvanceAfterWrite());
    EXPECT_EQ(panel.content, "last");
    EXPECT_FALSE(source.AdvanceAfterWrite());  // row 11 is empty
    EXPECT_EQ(panel.rowNumber, "11");
    EXPECT_EQ(panel.content, "");

    panel.rowNumber = "1";
    panel.rowAuto = true;
    source.AdvanceAfterWrite();
    source.AdvanceAfterWrite();
    source.AdvanceAfterWrite();
    EXPECT_EQ(panel.rowNumber, "4");
    panel.rowAuto = false;
    panel.rowNumber = "2";
    EXPECT_TRUE(source.AdvanceAfterWrite());
    EXPECT_EQ(panel.rowNumber, "2");
    EXPECT_EQ(panel.content, "中文内容");
}

TEST_P(Spreadsheet, AFailedSecondLoadLeavesNothingLoaded) {
    source.LoadChosenFile(Fixture("rows." + GetParam()));
    ASSERT_TRUE(source.SheetLoaded());
    source.LoadChosenFile(
        Fixture("truncated." + std::string(GetParam() == "csv" ? "xls" : GetParam())));
    EXPECT_EQ(sink.status, "Failed to load file !");
    EXPECT_EQ(sink.statusColour, feed::kRed);
    EXPECT_FALSE(source.SheetLoaded());
    EXPECT_FALSE(source.ReadCurrentRow());
    EXPECT_EQ(sink.Texts().back(), "No files have been loaded yet !");
}

INSTANTIATE_TEST_SUITE_P(EachFormat, Spreadsheet, ::testing::Values("xls", "xlsx", "csv"));

TEST(SpreadsheetFiles, BadFilesAreRefused) {
    // freexl-crash.xls makes FreeXL overrun a buffer: it must fail to load, not crash us.
    for (const char* name :
         {"empty.xls", "truncated.xls", "truncated.xlsx", "picture.xls", "latin1.csv",
          "unterminated.csv", "nosheet.xlsx", "missing.xls", "freexl-crash.xls"}) {
        sheets::Workbook book;
        EXPECT_FALSE(book.Load(Fixture(name))) << name;
        EXPECT_EQ(book.FirstSheet(), nullptr);
    }
}

TEST(SpreadsheetFiles, AnOversizedFileIsRefusedUnread) {
    const fs::path big = fs::temp_directory_path() / "tw-oversized.csv";
    {
        std::ofstream out(big);
        out << "a,b\n";
    }
    fs::resize_file(big, sheets::kMaxFileBytes + 1);  // sparse: no disk is used
    sheets::Workbook book;
    EXPECT_FALSE(book.Load(big));
    fs::remove(big);
}

TEST(SpreadsheetFiles, TheFormatComesFromTheContent) {
    const fs::path dir = fs::temp_directory_path() / "tw-sniff";
    fs::create_directories(dir);
    fs::copy_file(Fixture("rows.xlsx"), dir / "looks-like.xls",
                  fs::copy_options::overwrite_existing);
    fs::copy_file(Fixture("rows.xls"), dir / "looks-like.csv",
                  fs::copy_options::overwrite_existing);
    sheets::Workbook book;
    ASSERT_TRUE(book.Load(dir / "looks-like.xls"));
    EXPECT_EQ(book.FirstSheet()->Text(0), "Hello A1");
    ASSERT_TRUE(book.Load(dir / "looks-like.csv"));
    EXPECT_EQ(book.FirstSheet()->Text(1), "中文内容");
    fs::remove_all(dir);
}

TEST(SpreadsheetFiles, InlineStringsFormulaResultsAndWorkbookOrder) {
    sheets::Workbook book;
    ASSERT_TRUE(book.Load(Fixture("raw.xlsx")));
    const sheets::ColumnA& a = *book.FirstSheet();
    EXPECT_EQ(a.Text(0), "inline & text");
    EXPECT_EQ(a.Text(1), "ab");
    EXPECT_FALSE(a.IsText(2));  // an error value
    EXPECT_FALSE(a.IsText(3));  // only column B
    EXPECT_EQ(a.Text(4), "rich text");
}

// r is optional on <row> and <c>: a row without it follows the previous row, a cell without it
// the previous cell of its row.
TEST(SpreadsheetFiles, RowsAndCellsWithoutReferencesFollowDocumentOrder) {
    sheets::Workbook book;
    ASSERT_TRUE(book.Load(Fixture("unreferenced.xlsx")));
    const sheets::ColumnA& a = *book.FirstSheet();
    EXPECT_EQ(a.Text(0), "A1 without r");
    EXPECT_FALSE(a.IsText(2));  // B3, then C3 after it
    EXPECT_EQ(a.Text(3), "shared A4");
    EXPECT_EQ(a.Text(5), "formula");
    EXPECT_FALSE(a.IsText(6));  // B7, then C7
    EXPECT_FALSE(a.IsText(7));  // a number
    EXPECT_EQ(a.Text(8), "A9 without r");
    EXPECT_EQ(a.textCells(), 4u);
}

TEST(SpreadsheetFiles, CellReferencesNameAPlaceWithinTheLargestSheet) {
    const auto place = [](std::string_view reference) -> std::pair<int, int> {
        const auto parsed = sheets::ParseCellReference(reference);
        if (!parsed) return {-1, -1};
        return {static_cast<int>(parsed->row), static_cast<int>(parsed->column)};
    };
    EXPECT_EQ(place("A1"), std::make_pair(0, 0));
    EXPECT_EQ(place("b12"), std::make_pair(11, 1));
    EXPECT_EQ(place("AA3"), std::make_pair(2, 26));
    EXPECT_EQ(place("XFD1048576"), std::make_pair(1048575, 16383));
    for (const char* bad : {"XFE1", "A0", "A1048577", "1", "A", "A1x", "$A$1", "AAAA1", ""})
        EXPECT_EQ(place(bad), std::make_pair(-1, -1)) << bad;
}

TEST(SpreadsheetFiles, AMalformedReferenceMakesTheSheetDamaged) {
    testing::SheetFiles files;
    sheets::Workbook book;
    EXPECT_FALSE(book.Load(files.Xlsx(
        "bad.xlsx", R"(<row r="1"><c r="A0" t="inlineStr"><is><t>x</t></is></c></row>)")));
    EXPECT_FALSE(book.Load(
        files.Xlsx("bad-row.xlsx", R"(<row r="0"><c t="inlineStr"><is><t>x</t></is></c></row>)")));
    EXPECT_TRUE(book.Load(
        files.Xlsx("good.xlsx", R"(<row r="2"><c t="inlineStr"><is><t>x</t></is></c></row>)")));
    EXPECT_EQ(book.FirstSheet()->Text(1), "x");
}

// Text in .xlsx parts is ST_Xstring: _xHHHH_ is the UTF-16 code unit HHHH (Excel writes CR and
// TAB so), and _x005F_ the underscore that keeps a literal "_x0041_" from being one. Shared and
// inline strings and formula results alike; an empty one is no text.
TEST(SpreadsheetFiles, XlsxEscapesAreDecodedInSharedAndInlineStrings) {
    const std::string escaped =
        "cr_x000D__x000A_lf_x0009_tab _x005F_x0041_ _x0041_ _xD83D__xDE00_ _xd83d_ _x12_ _x";
    const std::string decoded = "cr\r\nlf\ttab _x0041_ A 😀 \uFFFD _x12_ _x";
    testing::SheetFiles files;
    sheets::Workbook book;
    ASSERT_TRUE(book.Load(files.Xlsx(
        "escapes.xlsx",
        R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)"
        R"(<row r="2"><c r="A2" t="inlineStr"><is><t>)" +
            escaped +
            R"(</t></is></c></row>)"
            R"(<row r="3"><c r="A3" t="str"><f>F()</f><v>)" +
            escaped +
            R"(</v></c></row>)"
            R"(<row r="4"><c r="A4" t="inlineStr"><is><r><t>_x00</t></r><r><t>41_</t></r></is></c></row>)"
            R"(<row r="5"><c r="A5" t="str"><f>""</f><v></v></c></row>)"
            R"(<row r="6"><c r="A6" t="s"><v>1</v></c></row>)",
        "<si><t>" + escaped + "</t></si><si><t></t></si>")));
    const sheets::ColumnA& a = *book.FirstSheet();
    EXPECT_EQ(a.Text(0), decoded);
    EXPECT_EQ(a.Text(1), decoded);
    EXPECT_EQ(a.Text(2), decoded);
    EXPECT_EQ(a.Text(3), "_x0041_");  // an escape never runs from one text run into the next
    EXPECT_FALSE(a.IsText(4));        // an empty formula result
    EXPECT_FALSE(a.IsText(5));        // an empty shared string
    EXPECT_EQ(a.textCells(), 4u);
}

// FreeXL refused an .xls with a text over about 16,400 characters (8,200 outside Latin-1), and
// read a following cell's text wrongly for some shorter ones: the strings run on over more than
// one CONTINUE record of the shared string table.
TEST(SpreadsheetFiles, XlsTextsThatRunOverSeveralRecordsLoadWhole) {
    std::string digits, chinese, accents;
    for (int i = 0; i < 2000; ++i)
        digits += "0123456789";
    for (int i = 0; i < 2250; ++i)
        chinese += "中文内容";
    for (int i = 0; i < 32767; ++i)
        accents += "é";
    sheets::Workbook book;
    ASSERT_TRUE(book.Load(Fixture("long-text.xls")));
    const sheets::ColumnA& a = *book.FirstSheet();
    EXPECT_EQ(a.Text(0), digits);
    EXPECT_EQ(a.Text(1), chinese);
    EXPECT_EQ(a.Text(2), "after");
    EXPECT_EQ(a.Text(3), accents);
    EXPECT_EQ(a.textCells(), 4u);
}

// An over-long cell is a row like any other: it loads into the content field, and the size
// check of the Write refuses it.
TEST(SpreadsheetFiles, AnOverlongCellLoadsIntoTheContentField) {
    text::SetUiLanguage(text::Language::English);
    testing::RecordingSink sink;
    FakePanel panel;
    SpreadsheetSource source{panel};
    source.LoadChosenFile(Fixture("long-text.xls"));
    EXPECT_EQ(sink.status, "File Loading Successfully !");
    EXPECT_EQ(panel.content.size(), 20000u);
    text::SetUiLanguage(text::Language::Chinese);
}

TEST(SpreadsheetFiles, RowNumberValueReadsLikeAtoi) {
    EXPECT_EQ(RowNumberValue("12"), 12);
    EXPECT_EQ(RowNumberValue("12a"), 12);
    EXPECT_EQ(RowNumberValue(" -3"), -3);
    EXPECT_EQ(RowNumberValue("x1"), 0);
    EXPECT_EQ(RowNumberValue(""), 0);
    EXPECT_EQ(RowNumberValue("99999999999999"), INT_MAX);
}

}  // namespace
}  // namespace tagwright::panels
