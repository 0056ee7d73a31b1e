// SPDX-License-Identifier: MIT
// The .xls helper's own BIFF8 reader on records that the spreadsheet writers at hand do not
// produce: formula string results, strings whose characters change width (and split a surrogate
// pair) between CONTINUE records, charts inside a sheet, encryption, older BIFF versions.
#include <gtest/gtest.h>

#include "sheets/biff_column.h"
#include "support/compound_writer.h"

namespace tagwright::sheets {
namespace {

using testing::BiffRecord;
using testing::Le16;
using testing::Le32;

std::string Bof(std::uint16_t version, std::uint16_t kind) {
    return BiffRecord(0x0809, Le16(version) + Le16(kind) + std::string(12, '\0'));
}

const std::string kEof = BiffRecord(0x000A, "");

// A workbook: the globals records, then the first sheet's records after them.
std::string Workbook(const std::string& globals, const std::string& sheet,
                     std::uint16_t sheetKind = 0x0010, std::uint16_t version = 0x0600) {
    const std::string head = Bof(version, 0x0005);
    std::string boundSheet = BiffRecord(0x0085, Le32(0) + Le16(0) +
                                                    "\x03\x00"
                                                    "One");
    const auto sheetAt =
        static_cast<std::uint32_t>(head.size() + boundSheet.size() + globals.size() + kEof.size());
    boundSheet = BiffRecord(0x0085, Le32(sheetAt) + Le16(0) +
                                        "\x03\x00"
                                        "One");
    return head + boundSheet + globals + kEof + Bof(version, sheetKind) + sheet + kEof;
}

std::string CellHead(std::uint16_t row, std::uint16_t column) {
    return Le16(row) + Le16(column) + Le16(15);
}

std::string Label(std::uint16_t row, std::uint16_t column, const std::string& latin1) {
    return BiffRecord(0x0204, CellHead(row, column) +
                                  Le16(static_cast<std::uint16_t>(latin1.size())) + '\0' + latin1);
}

std::string LabelSst(std::uint16_t row, std::uint16_t column, std::uint32_t index) {
    return BiffRecord(0x00FD, CellHead(row, column) + Le32(index));
}

std::string StringFormula(std::uint16_t row, std::uint16_t column) {
    return BiffRecord(0x0006, CellHead(row, column) + std::string("\0\0\0\0\0\0\xFF\xFF", 8) +
                                  Le16(0) + Le32(0) + Le16(0));
}

std::string NumberFormula(std::uint16_t row, std::uint16_t column) {
    return BiffRecord(0x0006, CellHead(row, column) + std::string("\0\0\0\0\0\0\xF0\x3F", 8) +
                                  Le16(0) + Le32(0) + Le16(0));
}

std::string StringRecord(const std::string& latin1) {
    return BiffRecord(0x0207, Le16(static_cast<std::uint16_t>(latin1.size())) + '\0' + latin1);
}

std::string Utf16(std::initializer_list<std::uint16_t> units) {
    std::string out;
    for (auto unit : units)
        out += Le16(unit);
    return out;
}

BiffResult Read(const std::string& stream, const SheetLimits& limits = kSheetLimits) {
    const auto bytes = testing::CompoundFileWith("Workbook", stream);
    const auto file = CompoundFile::Open(std::span<const std::uint8_t>(bytes));
    if (!file) return {BiffResult::Kind::Failed, std::nullopt};
    return ReadBiffColumnA(*file, limits);
}

TEST(XlsRecords, LabelsAndFormulaStringResultsInColumnAAreText) {
    const auto result = Read(Workbook(
        "", Label(0, 0, "label") + Label(0, 1, "column B") + StringFormula(1, 0) +
                StringRecord("formula text") + StringFormula(2, 1) +
                StringRecord("column B formula") + NumberFormula(3, 0) + Label(4, 0, "last")));
    ASSERT_EQ(result.kind, BiffResult::Kind::Column);
    const ColumnA& a = *result.column;
    EXPECT_EQ(a.Text(0), "label");
    EXPECT_EQ(a.Text(1), "formula text");
    EXPECT_FALSE(a.IsText(2));
    EXPECT_FALSE(a.IsText(3));  // a number
    EXPECT_EQ(a.Text(4), "last");
    EXPECT_EQ(a.textCells(), 3u);
}

// At each CONTINUE record the characters go on behind an option byte that gives their width
// anew; here "abc" one byte each, then 中文 and U+1F600 two bytes each, its surrogate pair split
// between two CONTINUE records.
TEST(XlsRecords, SharedStringsGoOnAcrossContinueRecordsWithTheirOwnWidth) {
    const std::string sst = BiffRecord(0x00FC, Le32(2) + Le32(2) +
                                                   // string 0: 7 characters, starting narrow
                                                   Le16(7) + '\0' + "abc");
    const std::string first = BiffRecord(0x003C, '\x01' + Utf16({0x4E2D, 0x6587, 0xD83D}));
    const std::string second = BiffRecord(0x003C, '\x01' + Utf16({0xDE00}) +
                                                      // string 1, whole
                                                      Le16(2) + '\0' + "ok");
    const auto result = Read(
        Workbook(sst + first + second, LabelSst(0, 0, 0) + LabelSst(1, 0, 1) + LabelSst(2, 3, 0)));
    ASSERT_EQ(result.kind, BiffResult::Kind::Column);
    EXPECT_EQ(result.column->Text(0), "abc中文😀");
    EXPECT_EQ(result.column->Text(1), "ok");
    EXPECT_EQ(result.column->textCells(), 2u);
}

TEST(XlsRecords, CellsOfAChartInsideTheSheetAreNotTheSheets) {
    const std::string chart = Bof(0x0600, 0x0020) + Label(1, 0, "chart") + kEof;
    const auto result = Read(Workbook("", Label(0, 0, "sheet") + chart + Label(2, 0, "after")));
    ASSERT_EQ(result.kind, BiffResult::Kind::Column);
    EXPECT_EQ(result.column->Text(0), "sheet");
    EXPECT_FALSE(result.column->IsText(1));
    EXPECT_EQ(result.column->Text(2), "after");
}

TEST(XlsRecords, AChartSheetFirstLoadsWithNoText) {
    const auto result = Read(Workbook("", Label(0, 0, "not a cell"), 0x0020));
    ASSERT_EQ(result.kind, BiffResult::Kind::Column);
    EXPECT_EQ(result.column->textCells(), 0u);
}

TEST(XlsRecords, EncryptedOrDamagedWorkbooksFailAndOlderOnesGoToFreeXL) {
    EXPECT_EQ(Read(Workbook(BiffRecord(0x002F, Le16(0)), Label(0, 0, "x"))).kind,
              BiffResult::Kind::Failed);
    // A shared string that the table does not have, and no table at all.
    const std::string sst = BiffRecord(0x00FC, Le32(1) + Le32(1) + Le16(1) + '\0' + "a");
    EXPECT_EQ(Read(Workbook(sst, LabelSst(0, 0, 1))).kind, BiffResult::Kind::Failed);
    EXPECT_EQ(Read(Workbook("", LabelSst(0, 0, 0))).kind, BiffResult::Kind::Failed);
    // A sheet cut off before its EOF.
    std::string cut = Workbook("", Label(0, 0, "x"));
    cut.resize(cut.size() - kEof.size());
    EXPECT_EQ(Read(cut).kind, BiffResult::Kind::Failed);
    // BIFF4 and older have BOF records of their own.
    EXPECT_EQ(Read(BiffRecord(0x0409, Le16(0) + Le16(0x0010))).kind,
              BiffResult::Kind::OtherVersion);
    // A BIFF5 workbook without a sheet, and one in a code page that does not exist.
    EXPECT_EQ(Read(Bof(0x0500, 0x0005) + kEof).kind, BiffResult::Kind::Failed);
    EXPECT_EQ(Read(Workbook(BiffRecord(0x0042, Le16(1)), Label(0, 0, "x"), 0x0010, 0x0500)).kind,
              BiffResult::Kind::Failed);
}

TEST(XlsRecords, AWorkbookStreamThatCannotBeReadFailsAndABookStreamIsReadLikeIt) {
    const std::string workbook = Workbook("", Label(0, 0, "x"));
    auto bytes = testing::CompoundFileWith("Workbook", workbook);
    // The stream's size in its directory entry (the second of the last sector): past the file.
    const std::size_t size = bytes.size() - 512 + 128 + 0x78;
    bytes[size + 3] = 0x7F;
    auto file = CompoundFile::Open(std::span<const std::uint8_t>(bytes));
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadBiffColumnA(*file, kSheetLimits).kind, BiffResult::Kind::Failed);

    const auto book = testing::CompoundFileWith("Book", workbook);
    file = CompoundFile::Open(std::span<const std::uint8_t>(book));
    ASSERT_TRUE(file);
    const auto result = ReadBiffColumnA(*file, kSheetLimits);
    ASSERT_EQ(result.kind, BiffResult::Kind::Column);
    EXPECT_EQ(result.column->Text(0), "x");
    const auto neither = testing::CompoundFileWith("Other", workbook);
    file = CompoundFile::Open(std::span<const std::uint8_t>(neither));
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadBiffColumnA(*file, kSheetLimits).kind, BiffResult::Kind::OtherVersion);
}

TEST(XlsRecords, ASharedStringIsHeldToTheCellLimit) {
    const std::string sst = BiffRecord(0x00FC, Le32(1) + Le32(1) + Le16(6) + '\0' + "sixsix");
    SheetLimits limits;
    limits.cellBytes = 6;
    EXPECT_EQ(Read(Workbook(sst, LabelSst(0, 0, 0)), limits).kind, BiffResult::Kind::Column);
    limits.cellBytes = 5;
    EXPECT_EQ(Read(Workbook(sst, LabelSst(0, 0, 0)), limits).kind, BiffResult::Kind::Failed);
}

TEST(XlsRecords, AColumnACellNamingASharedStringPastTheLimitIsRefused) {
    const std::string sst =
        BiffRecord(0x00FC, Le32(2) + Le32(2) + Le16(1) + '\0' + "a" + Le16(1) + '\0' + "b");
    SheetLimits limits;
    limits.sharedStrings = 2;
    const auto below = Read(Workbook(sst, LabelSst(0, 0, 1)), limits);
    ASSERT_EQ(below.kind, BiffResult::Kind::Column);
    EXPECT_EQ(below.column->Text(0), "b");
    limits.sharedStrings = 1;
    EXPECT_EQ(Read(Workbook(sst, LabelSst(0, 0, 1)), limits).kind, BiffResult::Kind::Failed);
}

// Excel 5 and 95 (BIFF5) cells hold their text in the workbook's code page, a count of bytes
// without an option byte; FreeXL refused rich-text cells and formula string results of them.
std::string Biff5Text(std::uint16_t type, std::uint16_t row, const std::string& bytes,
                      const std::string& after = "") {
    return BiffRecord(
        type, CellHead(row, 0) + Le16(static_cast<std::uint16_t>(bytes.size())) + bytes + after);
}

std::string Biff5String(const std::string& bytes) {
    return BiffRecord(0x0207, Le16(static_cast<std::uint16_t>(bytes.size())) + bytes);
}

TEST(XlsRecords, Biff5CellsAreTextInTheirCodePageRichTextAndFormulaResultsToo) {
    const std::string rich = Biff5Text(0x00D6, 1, "rich bold", std::string("\x01\x05\x01", 3));
    const std::string sheet = Biff5Text(0x0204, 0, "caf\xE9 \x80") + rich + StringFormula(2, 0) +
                              Biff5String("formula") + StringFormula(3, 0) + Biff5String("") +
                              Biff5Text(0x0204, 4, "   ") + Biff5Text(0x00D6, 5, "", "\x00");
    const auto latin = Read(Workbook("", sheet, 0x0010, 0x0500));  // no CODEPAGE: 1252
    ASSERT_EQ(latin.kind, BiffResult::Kind::Column);
    const ColumnA& a = *latin.column;
    EXPECT_EQ(a.Text(0), "café €");
    EXPECT_EQ(a.Text(1), "rich bold");
    EXPECT_EQ(a.Text(2), "formula");
    EXPECT_FALSE(a.IsText(3));  // an empty formula result
    EXPECT_EQ(a.Text(4), "   ");
    EXPECT_FALSE(a.IsText(5));  // an empty text
    EXPECT_EQ(a.textCells(), 4u);

    // Code page 936 (GBK), and a text that runs on over a CONTINUE record as its bare bytes.
    const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文
    const std::string cut =
        BiffRecord(0x0204, CellHead(0, 0) + Le16(6) + gbk + "o") + BiffRecord(0x003C, "k");
    const auto chinese = Read(Workbook(BiffRecord(0x0042, Le16(936)),
                                       cut + Biff5Text(0x0204, 1, gbk + "\xFF"), 0x0010, 0x0500));
    ASSERT_EQ(chinese.kind, BiffResult::Kind::Column);
    EXPECT_EQ(chinese.column->Text(0), "中文ok");
    EXPECT_EQ(chinese.column->Text(1), "中文\uFFFD");  // a byte GBK has no character for
}

// Excel writes an empty formula result in BIFF8 as result type 3 without a STRING record,
// Gnumeric as a string result with an empty STRING record: neither is text.
TEST(XlsRecords, AnEmptyFormulaResultIsNoTextHoweverItIsWritten) {
    const std::string empty =
        BiffRecord(0x0006, CellHead(1, 0) + std::string("\x03\0\0\0\0\0\xFF\xFF", 8) + Le16(0) +
                               Le32(0) + Le16(0));
    const auto result = Read(Workbook("", Label(0, 0, "first") + empty + StringFormula(2, 0) +
                                              StringRecord("") + Label(3, 0, "last")));
    ASSERT_EQ(result.kind, BiffResult::Kind::Column);
    EXPECT_FALSE(result.column->IsText(1));
    EXPECT_FALSE(result.column->IsText(2));
    EXPECT_EQ(result.column->Text(3), "last");
    EXPECT_EQ(result.column->textCells(), 2u);
}

}  // namespace
}  // namespace tagwright::sheets
