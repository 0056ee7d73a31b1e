// SPDX-License-Identifier: MIT
// What a workbook load keeps, and the limits that stop a hostile file: only column A is kept,
// every format refuses a file that passes a limit and loads one that reaches it.
#include <gtest/gtest.h>

#include <numeric>

#include "sheets/column_builder.h"
#include "sheets/csv_reader.h"
#include "sheets/workbook.h"
#include "sheets/xls_protocol.h"
#include "support/sheet_files.h"

namespace tagwright::sheets {
namespace {

namespace fs = std::filesystem;
using testing::SheetFiles;

fs::path Fixture(const std::string& name) {
    return fs::path(TAGWRIGHT_FIXTURES_DIR) / name;
}

// Column A's text cells in the rows.* fixtures.
const std::vector<std::string> kRowsText = {
    "Hello A1", "中文内容", "emoji 😀 ok", "row 8", "  spaced, \"quoted\"\nand two lines  ", "last"};

std::size_t LongestCell() {
    std::size_t longest = 0;
    for (const auto& text : kRowsText)
        longest = std::max(longest, text.size());
    return longest;
}

std::size_t AllText() {
    return std::accumulate(
        kRowsText.begin(), kRowsText.end(), std::size_t{0},
        [](std::size_t sum, const std::string& text) { return sum + text.size(); });
}

std::string InlineCell(const std::string& reference, const std::string& text) {
    return "<c r=\"" + reference + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}

std::string SharedCell(const std::string& reference, std::uint32_t index) {
    return "<c r=\"" + reference + "\" t=\"s\"><v>" + std::to_string(index) + "</v></c>";
}

class LimitsOnEachFormat : public ::testing::TestWithParam<std::string> {
  protected:
    fs::path Rows() const { return Fixture("rows." + GetParam()); }
};

TEST_P(LimitsOnEachFormat, TheLongestCellLoadsAtTheCellLimitAndNotOneByteBelowIt) {
    SheetLimits limits;
    limits.cellBytes = LongestCell();
    Workbook book;
    ASSERT_TRUE(book.Load(Rows(), limits));
    EXPECT_EQ(book.FirstSheet()->Text(8), kRowsText[4]);
    limits.cellBytes = LongestCell() - 1;
    EXPECT_FALSE(book.Load(Rows(), limits));
    EXPECT_EQ(book.FirstSheet(), nullptr);
}

// Column B holds a longer text in every row: it is neither kept nor counted.
TEST_P(LimitsOnEachFormat, ColumnAsTextLoadsAtTheTextLimitAndNotOneByteBelowIt) {
    SheetLimits limits;
    limits.textBytes = AllText();
    Workbook book;
    ASSERT_TRUE(book.Load(Rows(), limits));
    EXPECT_EQ(book.FirstSheet()->textCells(), kRowsText.size());
    limits.textBytes = AllText() - 1;
    EXPECT_FALSE(book.Load(Rows(), limits));
}

INSTANTIATE_TEST_SUITE_P(EachFormat, LimitsOnEachFormat, ::testing::Values("xls", "xlsx", "csv"));

TEST(SheetLimits, ACsvCellLoadsAtTheDefaultCellLimitAndNotOneByteOver) {
    SheetFiles files;
    const std::string atLimit(kSheetLimits.cellBytes, 'x');
    Workbook book;
    ASSERT_TRUE(book.Load(files.Write("at.csv", atLimit + ",b\nsecond\n")));
    EXPECT_EQ(book.FirstSheet()->Text(0), atLimit);
    EXPECT_EQ(book.FirstSheet()->Text(1), "second");
    EXPECT_FALSE(book.Load(files.Write("over.csv", atLimit + "x,b\nsecond\n")));
    // Quoted, the limit counts the text, not the quotes around it.
    EXPECT_TRUE(book.Load(files.Write("quoted.csv", "\"" + atLimit + "\"\n")));
    EXPECT_FALSE(book.Load(files.Write("quoted-over.csv", "\"" + atLimit + "\"\"\"\n")));
}

TEST(SheetLimits, CsvFieldsAfterTheFirstAreNeitherKeptNorCounted) {
    SheetFiles files;
    SheetLimits limits;
    limits.textBytes = 2;
    Workbook book;
    ASSERT_TRUE(
        book.Load(files.Write("wide.csv", "a," + std::string(1 << 20, 'b') + "\nc\n"), limits));
    EXPECT_EQ(book.FirstSheet()->Text(1), "c");
}

// The reader is fed as the file is read: wherever the pieces break (inside the byte order mark,
// between CR and LF, inside a quoted field or a UTF-8 sequence) the column is the same.
TEST(SheetLimits, ACsvReadOneByteAtATimeGivesTheSameColumn) {
    const std::string text =
        "\xEF\xBB\xBFplain,x\r\n\"quo\"\"ted\",\"a,\nb\"\r\r\n中文\n\"\",y\nlast";
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    const auto whole = ReadCsvColumnA(bytes);
    ASSERT_TRUE(whole);
    CsvColumnReader reader(kSheetLimits);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_TRUE(reader.Feed(bytes.subspan(i, 1))) << i;
    const auto pieces = reader.Finish();
    ASSERT_TRUE(pieces);
    for (const auto* column : {&*whole, &*pieces}) {
        EXPECT_EQ(column->Text(0), "plain");
        EXPECT_EQ(column->Text(1), "quo\"ted");
        EXPECT_FALSE(column->IsText(2));  // the record ended by the lone CR
        EXPECT_EQ(column->Text(3), "中文");
        EXPECT_FALSE(column->IsText(4));  // an empty quoted field
        EXPECT_EQ(column->Text(5), "last");
        EXPECT_EQ(column->textCells(), 4u);
    }
}

TEST(SheetLimits, AnXlsxCellLoadsAtTheDefaultCellLimitAndNotOneByteOver) {
    SheetFiles files;
    const std::string atLimit(kSheetLimits.cellBytes, 'x');
    Workbook book;
    ASSERT_TRUE(
        book.Load(files.Xlsx("at.xlsx", "<row r=\"1\">" + InlineCell("A1", atLimit) + "</row>")));
    EXPECT_EQ(book.FirstSheet()->Text(0), atLimit);
    EXPECT_FALSE(book.Load(
        files.Xlsx("over.xlsx", "<row r=\"1\">" + InlineCell("A1", atLimit + "x") + "</row>")));
    // A shared string is held to the same limit.
    EXPECT_TRUE(
        book.Load(files.Xlsx("shared.xlsx", "<row r=\"1\">" + SharedCell("A1", 0) + "</row>",
                             "<si><t>" + atLimit + "</t></si>")));
    EXPECT_FALSE(
        book.Load(files.Xlsx("shared-over.xlsx", "<row r=\"1\">" + SharedCell("A1", 0) + "</row>",
                             "<si><t>" + atLimit + "</t><t>x</t></si>")));
}

TEST(SheetLimits, OnlyTheSharedStringsThatColumnANamesAreKept) {
    SheetFiles files;
    SheetLimits limits;
    limits.textBytes = 10;  // "named" twice would be 10 bytes; it is kept once
    const auto path =
        files.Xlsx("named.xlsx",
                   "<row r=\"1\">" + SharedCell("A1", 2) + SharedCell("B1", 0) + "</row>" +
                       "<row r=\"2\">" + SharedCell("A2", 2) + SharedCell("B2", 1) + "</row>",
                   "<si><t>" + std::string(1 << 20, 'b') + "</t></si><si><t>" +
                       std::string(1 << 20, 'c') + "</t></si><si><t>named</t></si>");
    Workbook book;
    ASSERT_TRUE(book.Load(path, limits));
    EXPECT_EQ(book.FirstSheet()->Text(0), "named");
    EXPECT_EQ(book.FirstSheet()->Text(1), "named");
    limits.textBytes = 4;
    EXPECT_FALSE(book.Load(path, limits));
}

TEST(SheetLimits, AColumnACellNamingASharedStringPastTheLimitIsRefused) {
    SheetFiles files;
    SheetLimits limits;
    limits.sharedStrings = 2;
    const std::string strings = "<si><t>zero</t></si><si><t>one</t></si><si><t>two</t></si>";
    Workbook book;
    ASSERT_TRUE(book.Load(
        files.Xlsx("below.xlsx", "<row r=\"1\">" + SharedCell("A1", 1) + "</row>", strings),
        limits));
    EXPECT_EQ(book.FirstSheet()->Text(0), "one");
    EXPECT_FALSE(book.Load(
        files.Xlsx("at.xlsx", "<row r=\"1\">" + SharedCell("A1", 2) + "</row>", strings), limits));
}

// Reading stops at the last string column A names: what follows it is never parsed.
TEST(SheetLimits, SharedStringsAreReadOnlyUpToTheLastOneNamed) {
    SheetFiles files;
    const std::string strings = "<si><t>zero</t></si><si><t>one</t></si><si><broken";
    Workbook book;
    ASSERT_TRUE(book.Load(
        files.Xlsx("early.xlsx", "<row r=\"1\">" + SharedCell("A1", 1) + "</row>", strings)));
    EXPECT_EQ(book.FirstSheet()->Text(0), "one");
    EXPECT_FALSE(book.Load(
        files.Xlsx("late.xlsx", "<row r=\"1\">" + SharedCell("A1", 2) + "</row>", strings)));
    // A string named but not in the table is a damaged file.
    EXPECT_FALSE(book.Load(files.Xlsx(
        "missing.xlsx", "<row r=\"1\">" + SharedCell("A1", 5) + "</row>", "<si><t>a</t></si>")));
}

TEST(SheetLimits, TheDecompressedBytesOfEveryPartReadShareOneBudget) {
    SheetFiles files;
    const auto path =
        files.Xlsx("budget.xlsx", "<row r=\"1\">" + InlineCell("A1", "a") +
                                      InlineCell("B1", std::string(5000, 'b')) + "</row>");
    const std::uint64_t partsRead = testing::ZipMemberSize(path, "xl/workbook.xml") +
                                    testing::ZipMemberSize(path, "xl/_rels/workbook.xml.rels") +
                                    testing::ZipMemberSize(path, "xl/worksheets/sheet1.xml");
    SheetLimits limits;
    limits.xmlBytes = partsRead;
    Workbook book;
    ASSERT_TRUE(book.Load(path, limits));
    EXPECT_EQ(book.FirstSheet()->Text(0), "a");
    limits.xmlBytes = partsRead - 1;
    EXPECT_FALSE(book.Load(path, limits));
}

// Text is handed on as it comes, however long; a start tag is held whole by the parser, so one
// that goes on and on is refused.
TEST(SheetLimits, LongTextOutsideColumnALoadsButAnEndlessStartTagIsRefused) {
    SheetFiles files;
    const std::string twoMegabytes(2 << 20, 'b');
    Workbook book;
    ASSERT_TRUE(book.Load(files.Xlsx("text.xlsx", "<row r=\"1\">" + InlineCell("A1", "a") +
                                                      InlineCell("B1", twoMegabytes) + "</row>")));
    EXPECT_EQ(book.FirstSheet()->Text(0), "a");
    EXPECT_FALSE(
        book.Load(files.Xlsx("tag.xlsx", "<row r=\"1\">" + InlineCell("A1", "a") +
                                             "<c r=\"B1\" x=\"" + twoMegabytes + "\"/></row>")));
}

TEST(SheetLimits, APartWithADocumentTypeDeclarationIsRefused) {
    SheetFiles files;
    const std::string sheet =
        R"(<?xml version="1.0"?><!DOCTYPE worksheet [<!ENTITY a "aaaaaaaaaa">]>)"
        R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
        R"(<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&a;</t></is></c></row>)"
        R"(</sheetData></worksheet>)";
    const auto good = files.Xlsx("good.xlsx", "<row r=\"1\">" + InlineCell("A1", "a") + "</row>");
    Workbook book;
    ASSERT_TRUE(book.Load(good));
    std::map<std::string, std::string> parts = {
        {"xl/workbook.xml",
         R"(<workbook xmlns:r="r"><sheets><sheet r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml", sheet}};
    EXPECT_FALSE(book.Load(files.Zip("doctype.xlsx", parts)));
}

// A sheet has 1,048,576 rows. A file with more lost its last rows unseen: a batch ended "rows
// ran out" and the check passed. It fails to load now, saying why. (.xls numbers its rows in
// 16 bits and cannot have more than 65,536.)
TEST(SheetLimits, ASheetWithRowsPastTheLastASheetHasIsRefusedSayingSo) {
    SheetFiles files;
    std::string rows;
    rows.reserve(2 * kMaxRows + 16);
    for (std::uint32_t row = 0; row + 1 < kMaxRows; ++row)
        rows += "x\n";
    Workbook book;
    ASSERT_TRUE(book.Load(files.Write("full.csv", rows + "last\n\r\n\n")));
    EXPECT_EQ(book.FirstSheet()->Text(kMaxRows - 1), "last");
    EXPECT_EQ(book.FirstSheet()->textCells(), kMaxRows);
    for (const char* past : {"last\none more", "last\n,column B only\n", "last\n\"\"\n"}) {
        EXPECT_FALSE(book.Load(files.Write("past.csv", rows + past))) << past;
        EXPECT_EQ(book.refusal(), LoadRefusal::TooManyRows) << past;
    }
    EXPECT_FALSE(book.Load(Fixture("unterminated.csv")));
    EXPECT_EQ(book.refusal(), LoadRefusal::Unreadable);

    const std::string last = "<row r=\"1048576\">" + InlineCell("A1048576", "last") + "</row>";
    ASSERT_TRUE(book.Load(files.Xlsx("full.xlsx", last)));
    EXPECT_EQ(book.FirstSheet()->Text(kMaxRows - 1), "last");
    for (const std::string& past :
         {last + "<row r=\"1048577\">" + InlineCell("B1048577", "x") + "</row>",
          last + "<row><c t=\"inlineStr\"><is><t>x</t></is></c></row>",
          "<row r=\"1\">" + InlineCell("A99999999999", "x") + "</row>"}) {
        EXPECT_FALSE(book.Load(files.Xlsx("past.xlsx", past))) << past;
        EXPECT_EQ(book.refusal(), LoadRefusal::TooManyRows) << past;
    }
    EXPECT_FALSE(book.Load(files.Xlsx("bad.xlsx", "<row r=\"0\"/>")));
    EXPECT_EQ(book.refusal(), LoadRefusal::Unreadable);
    EXPECT_NE(LoadRefusalText(LoadRefusal::TooManyRows).find("1048576"), std::string_view::npos);
}

TEST(ColumnStorage, CellsAreFoundByRowWhateverOrderTheyCameIn) {
    ColumnBuilder builder(kSheetLimits);
    ASSERT_TRUE(builder.Add(5, "e"));
    ASSERT_TRUE(builder.Add(1, "a"));
    ASSERT_TRUE(builder.Add(3, "c"));
    ASSERT_TRUE(builder.Add(1, "A"));  // a row given again keeps its last text
    ASSERT_TRUE(builder.Add(0, ""));   // an empty text cell is still a text cell
    const ColumnA column = builder.Finish();
    EXPECT_EQ(column.textCells(), 4u);
    EXPECT_EQ(column.Text(1), "A");
    EXPECT_EQ(column.Text(3), "c");
    EXPECT_EQ(column.Text(5), "e");
    EXPECT_TRUE(column.IsText(0));
    EXPECT_FALSE(column.IsText(2));
    EXPECT_FALSE(column.IsText(6));
    EXPECT_EQ(column.lastTextRow(), 5u);
}

TEST(ColumnStorage, TextsThatFillSeveralBlocksReadBackWhole) {
    ColumnBuilder builder(kSheetLimits);
    std::vector<std::string> texts;
    for (std::uint32_t row = 0; row < 40; ++row) {
        texts.push_back(std::string(100'000 + row, static_cast<char>('a' + row % 26)));
        ASSERT_TRUE(builder.Add(row, texts.back()));
    }
    const ColumnA column = builder.Finish();
    for (std::uint32_t row = 0; row < 40; ++row)
        EXPECT_EQ(column.Text(row), texts[row]) << row;
}

// No sheet has more rows; more cells can only be rows given again out of order.
TEST(ColumnStorage, MoreCellsThanASheetHasRowsAreRefused) {
    ColumnBuilder builder(kSheetLimits);
    std::uint32_t added = 0;
    while (added < kMaxRows && builder.Add(added % 2, "x"))
        ++added;
    EXPECT_EQ(added, kMaxRows);
    EXPECT_FALSE(builder.Add(0, "x"));
    EXPECT_FALSE(builder.Add(kMaxRows, "x"));  // past the last row
}

TEST(HelperAnswer, ACellPastTheLimitIsRefusedBeforeItsTextArrives) {
    SheetLimits limits;
    limits.cellBytes = 5;
    EXPECT_TRUE(DecodeColumn("TWXLS 1\n0 5\nhello\nEND\n", limits));
    ColumnDecoder decoder(limits);
    EXPECT_FALSE(decoder.Feed("TWXLS 1\n0 6\n"));
    ColumnDecoder huge(kSheetLimits);
    EXPECT_FALSE(huge.Feed("TWXLS 1\n0 999999999999\n"));
    EXPECT_FALSE(huge.Finish());
}

TEST(HelperAnswer, AnAnswerReadInPiecesIsTheAnswerReadWhole) {
    ColumnBuilder builder(kSheetLimits);
    ASSERT_TRUE(builder.Add(0, "one"));
    ASSERT_TRUE(builder.Add(7, "two\nlines"));
    ASSERT_TRUE(builder.Add(9, ""));
    const std::string answer = EncodeColumn(builder.Finish());
    ColumnDecoder decoder(kSheetLimits);
    for (char c : answer)
        ASSERT_TRUE(decoder.Feed(std::string_view(&c, 1)));
    const auto column = decoder.Finish();
    ASSERT_TRUE(column);
    EXPECT_EQ(column->Text(0), "one");
    EXPECT_EQ(column->Text(7), "two\nlines");
    EXPECT_TRUE(column->IsText(9));
    EXPECT_EQ(column->textCells(), 3u);
}

TEST(HelperAnswer, AnAnswerCutShortOrWithAnythingAfterItsEndIsRefused) {
    const std::string answer = "TWXLS 1\n0 3\none\nEND\n";
    EXPECT_TRUE(DecodeColumn(answer));
    EXPECT_FALSE(DecodeColumn(answer.substr(0, answer.size() - 1)));
    EXPECT_FALSE(DecodeColumn(answer + "0 1\nx\n"));
    EXPECT_FALSE(DecodeColumn("TWXLS 2\nEND\n"));
    EXPECT_FALSE(DecodeColumn("TWXLS 1\n0 3\nonex\nEND\n"));     // text longer than it said
    EXPECT_FALSE(DecodeColumn("TWXLS 1\n1048576 1\nx\nEND\n"));  // past the last row
}

}  // namespace
}  // namespace tagwright::sheets
