// SPDX-License-Identifier: MIT
// .xlsx workbooks: a zip archive of XML parts. Column A of the first sheet in workbook order;
// shared strings, inline strings and formula string results are text, with their _xHHHH_
// escapes decoded, and none of them is text when it is empty. The sheet is read first,
// noting which shared strings column A names; then the shared strings are read up to the last
// of those, keeping only them. Nothing else of the workbook is kept.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "column_builder.h"
#include "workbook.h"
#include "xlsx_archive.h"
#include "xlsx_cell_position.h"
#include "xstring.h"

namespace tagwright::sheets {
namespace {

// The relationship id of the first sheet in workbook order.
class FirstSheetId : public XmlHandler {
  public:
    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name != "sheet" || id) return;
        if (const XML_Char* rid = Attribute(attributes, "id")) id = rid;
    }
    std::optional<std::string> id;
};

// The archive member that a relationship of xl/workbook.xml points to.
class RelationshipTarget : public XmlHandler {
  public:
    explicit RelationshipTarget(std::string id) : id_(std::move(id)) {}
    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name != "Relationship" || target) return;
        const XML_Char* rid = Attribute(attributes, "Id");
        const XML_Char* to = Attribute(attributes, "Target");
        if (rid != nullptr && to != nullptr && id_ == rid) target = to;
    }
    std::optional<std::string> target;

  private:
    std::string id_;
};

// "12" with blanks around it -> 12; nothing for anything else.
std::optional<std::uint32_t> ParseIndex(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
    if (text.size() > 10) return std::nullopt;
    std::uint64_t index = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        index = index * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (index > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(index);
}

// The sheet: the text of column A's cells, and the shared strings it names.
class SheetScan : public XmlHandler {
  public:
    SheetScan(const SheetLimits& limits, ColumnBuilder& column)
        : limits_(limits), column_(column) {}

    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name == "row") {
            if (!positions_.NextRow(Attribute(attributes, "r"))) Fail();
        } else if (name == "c") {
            if (!positions_.NextCell(Attribute(attributes, "r"))) return Fail();
            inColumnA_ = positions_.cell().column == 0;
            const XML_Char* type = Attribute(attributes, "t");
            type_ = type ? type : "n";
            value_.clear();
            inline_.clear();
        } else if (!inColumnA_) {
            return;
        } else if (name == "v") {
            inValue_ = true;
        } else if (name == "is") {
            inInline_ = true;
        } else if (name == "rPh") {
            ++phonetic_;
        } else if (name == "t" && inInline_ && phonetic_ == 0) {
            inInlineText_ = true;
        }
    }

    void End(std::string_view name) override {
        if (name == "v" && inValue_) {
            inValue_ = false;
            valueText_.Finish();
            if (!column_.FitsOneCell(value_.size())) return Fail();
        }
        if (name == "is") inInline_ = false;
        if (name == "rPh" && phonetic_ > 0) --phonetic_;
        if (name == "t" && inInlineText_) {
            inInlineText_ = false;
            inlineText_.Finish();
            if (!column_.FitsOneCell(inline_.size())) return Fail();
        }
        if (name != "c" || !inColumnA_) return;
        inColumnA_ = false;
        const std::uint32_t row = positions_.cell().row;
        if (type_ == "s") {
            const auto index = ParseIndex(value_);
            if (!index) return Fail();
            if (*index >= limits_.sharedStrings) return Fail();
            sharedCells.Add(row, *index);
        } else if (type_ == "inlineStr") {
            if (!inline_.empty() && !column_.Add(row, inline_)) Fail();
        } else if (type_ == "str") {
            if (!value_.empty() && !column_.Add(row, value_)) Fail();
        }
    }

    void Text(std::string_view text) override {
        if (inValue_) Append(valueText_, value_, text);
        if (inInlineText_) Append(inlineText_, inline_, text);
    }

    bool failed() const { return failed_; }
    bool pastLastRow() const { return positions_.pastLastRow(); }
    SharedStringCells sharedCells;

  private:
    // An escape never decodes to more bytes than it takes: the text decoded so far is checked.
    void Append(XstringDecoder& decoder, const std::string& decoded, std::string_view text) {
        decoder.Append(text);
        if (!column_.FitsOneCell(decoded.size())) Fail();
    }
    void Fail() {
        failed_ = true;
        StopParsing();
    }

    const SheetLimits& limits_;
    ColumnBuilder& column_;
    CellPositions positions_;
    bool inColumnA_ = false, inValue_ = false, inInline_ = false, inInlineText_ = false;
    int phonetic_ = 0;
    std::string type_, value_, inline_;
    XstringDecoder valueText_{value_}, inlineText_{inline_};
    bool failed_ = false;
};

// Shared strings: each <si> is the concatenation of its <t> texts, phonetic runs left out. Only
// the wanted ones are kept, and reading stops after the last of them.
class SharedStringsScan : public XmlHandler {
  public:
    // wanted: sorted, without repeats, not empty.
    SharedStringsScan(const std::vector<std::uint32_t>& wanted, ColumnBuilder& column)
        : kept(wanted.size()), wanted_(wanted), column_(column) {}

    void Start(std::string_view name, const XML_Char**) override {
        if (name == "si") {
            inString_ = next_ < wanted_.size() && wanted_[next_] == count_;
            ++count_;
            text_.clear();
        } else if (name == "rPh") {
            ++phonetic_;
        } else if (name == "t" && inString_ && phonetic_ == 0) {
            inText_ = true;
        }
    }

    void End(std::string_view name) override {
        if (name == "rPh" && phonetic_ > 0) --phonetic_;
        if (name == "t" && inText_) {
            inText_ = false;
            decoder_.Finish();
            if (!column_.FitsOneCell(text_.size())) return Fail();
        }
        if (name != "si" || !inString_) return;
        inString_ = false;
        const auto ref = column_.Keep(text_);
        if (!ref) return Fail();
        kept[next_++] = *ref;
        if (next_ == wanted_.size()) StopParsing();  // every wanted string is in hand
    }

    void Text(std::string_view text) override {
        if (!inText_) return;
        decoder_.Append(text);
        if (!column_.FitsOneCell(text_.size())) Fail();
    }

    bool complete() const { return !failed_ && next_ == wanted_.size(); }
    std::vector<ColumnA::TextRef> kept;  // parallel to wanted

  private:
    void Fail() {
        failed_ = true;
        StopParsing();
    }

    const std::vector<std::uint32_t>& wanted_;
    ColumnBuilder& column_;
    std::uint32_t count_ = 0;
    std::size_t next_ = 0;  // the next wanted string
    bool inString_ = false, inText_ = false, failed_ = false;
    int phonetic_ = 0;
    std::string text_;
    XstringDecoder decoder_{text_};
};

std::optional<std::string> FirstSheetPath(XlsxArchive& archive) {
    FirstSheetId workbook;
    if (archive.Parse("xl/workbook.xml", workbook) != XlsxArchive::Parsed::Whole || !workbook.id) {
        return std::nullopt;
    }
    RelationshipTarget relationship(*workbook.id);
    if (archive.Parse("xl/_rels/workbook.xml.rels", relationship) != XlsxArchive::Parsed::Whole ||
        !relationship.target) {
        return std::nullopt;
    }
    const std::string& target = *relationship.target;
    if (target.starts_with("/")) return target.substr(1);
    return "xl/" + target;
}

// The shared strings that the sheet's column A names, given to its cells.
bool PlaceSharedStrings(XlsxArchive& archive, const SharedStringCells& cells,
                        ColumnBuilder& column) {
    if (cells.empty()) return true;
    const std::vector<std::uint32_t> wanted = cells.NamedIndices();
    SharedStringsScan scan(wanted, column);
    const auto parsed = archive.Parse("xl/sharedStrings.xml", scan);
    // A string named but not there (or no strings at all) is a damaged file.
    if (parsed == XlsxArchive::Parsed::Failed || parsed == XlsxArchive::Parsed::Missing ||
        !scan.complete()) {
        return false;
    }
    return cells.PlaceAll(scan.kept, column);
}

std::optional<ColumnA> ReadColumnA(XlsxArchive& archive, const SheetLimits& limits,
                                   LoadRefusal* refusal) {
    if (!archive.ok()) return std::nullopt;
    const auto sheetPath = FirstSheetPath(archive);
    if (!sheetPath) return std::nullopt;
    ColumnBuilder column(limits);
    SheetScan sheet(limits, column);
    if (archive.Parse(*sheetPath, sheet) != XlsxArchive::Parsed::Whole || sheet.failed()) {
        if (refusal != nullptr && sheet.pastLastRow()) *refusal = LoadRefusal::TooManyRows;
        return std::nullopt;
    }
    if (!PlaceSharedStrings(archive, sheet.sharedCells, column)) return std::nullopt;
    return column.Finish();
}

}  // namespace

std::optional<ColumnA> ReadXlsxColumnA(const std::filesystem::path& path, const SheetLimits& limits,
                                       LoadRefusal* refusal) {
    XlsxArchive archive(path, limits.xmlBytes);
    return ReadColumnA(archive, limits, refusal);
}

std::optional<ColumnA> ReadXlsxColumnA(std::span<const std::uint8_t> file,
                                       const SheetLimits& limits) {
    XlsxArchive archive(file, limits.xmlBytes);
    return ReadColumnA(archive, limits, nullptr);
}

}  // namespace tagwright::sheets
