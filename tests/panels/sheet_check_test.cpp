// SPDX-License-Identifier: MIT
// The pre-flight check's rules on sheets held in memory: the size rule of each panel at the
// model's capacity, the schemes each prefix handles, templates sized at their longest, and the
// rows it covers.
#include <gtest/gtest.h>

#include "panels/core/sheet_check.h"
#include "sheets/workbook.h"

namespace tagwright::testing {
namespace {

using panels::CheckSheet;
using panels::PanelKind;
using panels::RowFault;
using panels::SheetCheckSettings;

sheets::ColumnA Csv(const std::string& text) {
    auto column = sheets::ReadCsvColumnA(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    EXPECT_TRUE(column.has_value());
    return column ? std::move(*column) : sheets::ColumnA{};
}

SheetCheckSettings Settings(PanelKind kind, tag::ModelCode model, int prefix = 0) {
    SheetCheckSettings settings;
    settings.kind = kind;
    settings.model = model;
    settings.prefix = prefix;
    return settings;
}

std::vector<std::pair<int, RowFault>> Faults(const panels::SheetCheckResult& result) {
    std::vector<std::pair<int, RowFault>> faults;
    for (const auto& p : result.problems)
        faults.emplace_back(p.row, p.fault);
    return faults;
}

TEST(SheetCheck, EachPanelsSizeRuleAtTheEdgeOfTheModel) {
    // NTAG213 (144 bytes): the longest text is 134 bytes (message 2 + 7 + n + 1), the longest
    // URL field 134 (record 5 + n, plus 5), the longest poster URL 115 (with an empty title).
    SheetCheckSettings text = Settings(PanelKind::Text, tag::kNtag213);
    EXPECT_TRUE(CheckSheet(Csv(std::string(134, 'a')), text).Passed());
    EXPECT_EQ(Faults(CheckSheet(Csv(std::string(134, 'a') + "\n" + std::string(135, 'b')), text)),
              (std::vector<std::pair<int, RowFault>>{{2, RowFault::TooLarge}}));

    SheetCheckSettings url = Settings(PanelKind::Url, tag::kNtag213, 3);
    EXPECT_TRUE(CheckSheet(Csv(std::string(134, 'u')), url).Passed());
    EXPECT_EQ(CheckSheet(Csv(std::string(135, 'u')), url).problems.at(0).detail,
              "needs 145 bytes, NTAG213 holds 144");

    // The mirror's room counts: 21 bytes for UID and counter, where {mirror} stands or at the end;
    // the marker itself takes none, and with templates on it is no template field.
    url.mirror = tag::MirrorKind::Both;
    EXPECT_TRUE(CheckSheet(Csv(std::string(113, 'u')), url).Passed());
    EXPECT_EQ(CheckSheet(Csv(std::string(114, 'u')), url).problems.at(0).detail,
              "needs 145 bytes, NTAG213 holds 144");
    url.templates = true;
    EXPECT_TRUE(CheckSheet(Csv("a.b/{mirror}/" + std::string(100, 'u')), url).Passed());
    url.mirror = tag::MirrorKind::UidOnly;
    EXPECT_TRUE(CheckSheet(Csv(std::string(120, 'u')), url).Passed());
    EXPECT_FALSE(CheckSheet(Csv(std::string(121, 'u')), url).Passed());
    url.mirror = tag::MirrorKind::None;
    url.templates = false;

    SheetCheckSettings poster = Settings(PanelKind::SmartPoster, tag::kNtag213, 3);
    EXPECT_TRUE(CheckSheet(Csv(std::string(115, 'p')), poster).Passed());
    poster.title = "T";  // the title counts too
    EXPECT_FALSE(CheckSheet(Csv(std::string(115, 'p')), poster).Passed());
    // The default model is the smallest: NTAG210, 48 bytes.
    EXPECT_FALSE(CheckSheet(Csv(std::string(40, 'a')), SheetCheckSettings{}).Passed());
    EXPECT_TRUE(CheckSheet(Csv(std::string(38, 'a')), SheetCheckSettings{}).Passed());
}

TEST(SheetCheck, SchemesThePrefixOrCodeZeroHandle) {
    const auto sheet = Csv("https://a.io\nwww.a.io\nmailto:x@a.io\n+49 30 1234\ntel:+49\na.io\n");
    SheetCheckSettings s = Settings(PanelKind::Url, tag::kNtag216, 0);
    EXPECT_EQ(Faults(CheckSheet(sheet, s)),
              (std::vector<std::pair<int, RowFault>>{
                  {2, RowFault::NoScheme}, {4, RowFault::NoScheme}, {6, RowFault::NoScheme}}));
    s.prefix = 1;  // http://www.
    EXPECT_EQ(Faults(CheckSheet(sheet, s)),
              (std::vector<std::pair<int, RowFault>>{{1, RowFault::DoubledScheme},
                                                     {2, RowFault::DoubledScheme}}));
    s.prefix = 5;                                         // tel:
    EXPECT_EQ(CheckSheet(sheet, s).problems.size(), 3u);  // rows 1, 3 and 5 bring a scheme
    EXPECT_EQ(CheckSheet(sheet, s).problems.at(2).detail,
              "the prefix tel: would be followed by tel:");
    // The Text panel has no scheme to check.
    EXPECT_TRUE(CheckSheet(sheet, Settings(PanelKind::Text, tag::kNtag216)).Passed());
}

TEST(SheetCheck, RowsCoveredDuplicatesAndTemplates) {
    const auto sheet = Csv("a\nb\na\n\nid {uid}\nid {uid}\nn={n} {x}\n");
    SheetCheckSettings s = Settings(PanelKind::Text, tag::kNtag213);
    auto result = CheckSheet(sheet, s);
    EXPECT_EQ(Faults(result),
              (std::vector<std::pair<int, RowFault>>{
                  {3, RowFault::Duplicate}, {4, RowFault::NotText}, {6, RowFault::Duplicate}}));
    EXPECT_EQ(result.failedRows, 3);
    EXPECT_EQ(result.lastRow, 7);

    s.templates = true;  // rows 5 and 6 differ per tag; row 7 is no template
    result = CheckSheet(sheet, s);
    EXPECT_EQ(Faults(result),
              (std::vector<std::pair<int, RowFault>>{
                  {3, RowFault::Duplicate}, {4, RowFault::NotText}, {7, RowFault::BadTemplate}}));

    // A template is sized at its longest: {uid} is 14 digits, {n} the run's length.
    s.startRow = 1;
    s.model = tag::kNtag210;  // texts up to 38 bytes
    EXPECT_TRUE(CheckSheet(Csv(std::string(33, 'a') + "{n}\n" + std::string(1, 'b')), s).Passed());
    EXPECT_FALSE(CheckSheet(Csv(std::string(30, 'a') + "{uid}"), s).Passed());

    // The start row onwards only; a start row past the end is checked itself.
    s.templates = false;
    s.startRow = 5;
    EXPECT_TRUE(CheckSheet(Csv("a\na\n\n\nb\n"), s).Passed());
    s.startRow = 9;
    EXPECT_EQ(Faults(CheckSheet(Csv("a\n"), s)),
              (std::vector<std::pair<int, RowFault>>{{9, RowFault::NotText}}));
    // The same row for every tag: that row alone.
    s.startRow = 1;
    s.onlyStartRow = true;
    EXPECT_TRUE(CheckSheet(Csv("a\n\n"), s).Passed());

    // Each duplicate names the first row of its text, however the texts interleave; the rows
    // come in row order whether gathered or handed on one by one.
    s.onlyStartRow = false;
    const auto interleaved = Csv("a\nb\na\nb\na\nab\nba\nb\n");
    std::vector<std::string> handedOn;
    result = CheckSheet(interleaved, s, [&](panels::RowProblem p) {
        handedOn.push_back(std::to_string(p.row) + ": " + p.detail);
    });
    EXPECT_EQ(handedOn,
              (std::vector<std::string>{"3: the same text as row 1", "4: the same text as row 2",
                                        "5: the same text as row 1", "8: the same text as row 2"}));
    EXPECT_TRUE(result.problems.empty());
    EXPECT_EQ(result.failedRows, 4);
    EXPECT_FALSE(result.Passed());
    EXPECT_EQ(CheckSheet(interleaved, s).problems.size(), 4u);
}

}  // namespace
}  // namespace tagwright::testing
