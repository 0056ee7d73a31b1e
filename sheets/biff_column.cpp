// SPDX-License-Identifier: MIT
#include "biff_column.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "biff_records.h"
#include "code_page_text.h"

namespace tagwright::sheets {
namespace {

std::uint16_t Le16(const std::vector<std::uint8_t>& body, std::size_t at) {
    return static_cast<std::uint16_t>(body[at] | body[at + 1] << 8);
}

std::uint32_t Le32(const std::vector<std::uint8_t>& body, std::size_t at) {
    return static_cast<std::uint32_t>(Le16(body, at)) |
           static_cast<std::uint32_t>(Le16(body, at + 2)) << 16;
}

// Where the globals say the first sheet and the shared string table are, and what code page
// BIFF5 text is in.
struct Globals {
    std::optional<std::uint32_t> firstSheet;
    std::optional<std::uint64_t> sharedStrings;
    std::uint16_t codePage = 1252;
};

std::optional<Globals> ReadGlobals(BiffRecords& records) {
    Globals globals;
    std::uint16_t type = 0;
    std::vector<std::uint8_t> body;
    while (records.Next(type, body) && type != biff::kEof) {
        if (type == biff::kFilePass) return std::nullopt;  // encrypted: the cells cannot be read
        if (type == biff::kBoundSheet && body.size() >= 4 && !globals.firstSheet) {
            globals.firstSheet = Le32(body, 0);
        }
        if (type == biff::kCodePage && body.size() >= 2) globals.codePage = Le16(body, 0);
        if (type == biff::kSst && !globals.sharedStrings) {
            globals.sharedStrings = records.offset() - 4 - body.size();
        }
    }
    return globals;
}

class SheetReader {
  public:
    // codePage: for BIFF5, whose text is in it; nullptr for BIFF8, whose text is UTF-16.
    SheetReader(BiffRecords& records, const SheetLimits& limits, ColumnBuilder& column,
                CodePageText* codePage)
        : records_(records), limits_(limits), column_(column), codePage_(codePage) {}

    // The sheet's column A; false for a damaged sheet or one past a limit.
    bool Read() {
        std::uint16_t type = 0;
        std::vector<std::uint8_t> body;
        if (!records_.Next(type, body) || type != biff::kBof || body.size() < 4) return false;
        if (Le16(body, 2) != biff::kWorksheet) return true;  // a chart or macro sheet: no cells
        int depth = 1;  // charts inside the sheet bring their own BOF and EOF
        while (depth > 0) {
            if (!records_.Next(type, body)) return false;
            if (type == biff::kBof) {
                ++depth;
            } else if (type == biff::kEof) {
                --depth;
            } else if (depth == 1 && !Record(type, body)) {
                return false;
            }
        }
        return true;
    }

    SharedStringCells sharedCells;

  private:
    static bool InColumnA(const std::vector<std::uint8_t>& body) {
        return body.size() >= 6 && Le16(body, 2) == 0;
    }

    // One record of the sheet; false for a fault.
    bool Record(std::uint16_t type, std::vector<std::uint8_t>& body) {
        if (type == biff::kString) {
            if (formulaRow_ == kNoFormula) return true;
            return Text(std::exchange(formulaRow_, kNoFormula), std::move(body));
        }
        // Between a formula and its STRING record only these may stand.
        if (type != biff::kSharedFormula && type != biff::kArray && type != biff::kTable) {
            formulaRow_ = kNoFormula;
        }
        if (!InColumnA(body)) return true;
        const std::uint32_t row = Le16(body, 0);
        switch (type) {
            case biff::kLabelSst: {
                if (codePage_ != nullptr) return true;  // BIFF8 only
                if (body.size() < 10) return false;
                const std::uint32_t index = Le32(body, 6);
                if (index >= limits_.sharedStrings) return false;
                sharedCells.Add(row, index);
                return true;
            }
            case biff::kLabel:
            case biff::kRString:
                body.erase(body.begin(), body.begin() + 6);
                return Text(row, std::move(body));
            case biff::kFormula:
                // A string result (0 in its first byte, 0xFFFF in its last two) follows in a
                // STRING record. An empty one (3 in the first byte) has none: it is no text, as
                // an empty STRING is not.
                if (body.size() >= 14 && body[6] == 0 && body[12] == 0xFF && body[13] == 0xFF) {
                    formulaRow_ = row;
                }
                return true;
            default:
                return true;
        }
    }

    // LABEL, RSTRING and STRING: a count, then in BIFF8 an option byte (without rich-text
    // sizes) and the characters, in BIFF5 that many bytes in the code page. Rich-text runs
    // after them are not text.
    bool Text(std::uint32_t row, std::vector<std::uint8_t> body) {
        ContinuedRecord record(records_, std::move(body));
        std::string text;
        std::uint16_t count = 0;
        if (!record.U16(count)) return false;
        if (codePage_ != nullptr) {
            std::vector<std::uint8_t> bytes;
            if (!record.Bytes(count, bytes) || !codePage_->Append(bytes, text, limits_.cellBytes)) {
                return false;
            }
        } else {
            std::uint8_t options = 0;
            if (!record.U8(options) ||
                !record.Characters(count, (options & 0x01) != 0, &text, limits_.cellBytes)) {
                return false;
            }
        }
        // An empty text is no text, as an empty cell is not.
        return text.empty() || column_.Add(row, text);
    }

    BiffRecords& records_;
    const SheetLimits& limits_;
    ColumnBuilder& column_;
    CodePageText* codePage_;
    // The row of a column A formula whose string result is to come, or kNoFormula.
    static constexpr std::uint32_t kNoFormula = UINT32_MAX;
    std::uint32_t formulaRow_ = kNoFormula;
};

// The shared strings that column A names, given to its cells. The table is read only up to the
// last string named, and only those strings are kept.
bool PlaceSharedStrings(BiffRecords& records, std::uint64_t table, const SharedStringCells& cells,
                        const SheetLimits& limits, ColumnBuilder& column) {
    const std::vector<std::uint32_t> wanted = cells.NamedIndices();

    records.Seek(table);
    std::uint16_t type = 0;
    std::vector<std::uint8_t> body;
    if (!records.Next(type, body) || type != biff::kSst) return false;
    ContinuedRecord strings(records, std::move(body));
    std::uint32_t total = 0, unique = 0;
    if (!strings.U32(total) || !strings.U32(unique)) return false;
    std::vector<ColumnA::TextRef> kept;
    kept.reserve(wanted.size());
    std::string text;
    for (std::uint32_t index = 0; kept.size() < wanted.size(); ++index) {
        const bool keep = wanted[kept.size()] == index;
        text.clear();
        if (!strings.UnicodeString(keep ? &text : nullptr, limits.cellBytes)) return false;
        if (!keep) continue;
        const auto ref = column.Keep(text);
        if (!ref) return false;
        kept.push_back(*ref);
    }
    return cells.PlaceAll(kept, column);
}

}  // namespace

BiffResult ReadBiffColumnA(const CompoundFile& file, const SheetLimits& limits) {
    // Excel 97 and later name their stream Workbook, Excel 5 and 95 Book; a stream that cannot
    // be read is damaged, not something for FreeXL.
    const char* name = file.HasStream("Workbook") ? "Workbook" : "Book";
    if (!file.HasStream(name)) return {BiffResult::Kind::OtherVersion, std::nullopt};
    const auto stream = file.Stream(name);
    if (!stream) return {BiffResult::Kind::Failed, std::nullopt};
    BiffRecords records(*stream);
    std::uint16_t type = 0;
    std::vector<std::uint8_t> body;
    if (!records.Next(type, body)) return {BiffResult::Kind::Failed, std::nullopt};
    if (type != biff::kBof || body.size() < 4) {
        // The BOF records of BIFF2 to BIFF4 have types of their own.
        const bool older = type == 0x0009 || type == 0x0209 || type == 0x0409;
        return {older ? BiffResult::Kind::OtherVersion : BiffResult::Kind::Failed, std::nullopt};
    }
    const std::uint16_t version = Le16(body, 0);
    if (version != biff::kBiff8 && version != biff::kBiff5) {
        return {BiffResult::Kind::OtherVersion, std::nullopt};
    }
    if (Le16(body, 2) != biff::kGlobals) return {BiffResult::Kind::Failed, std::nullopt};
    const auto globals = ReadGlobals(records);
    if (!globals || !globals->firstSheet) return {BiffResult::Kind::Failed, std::nullopt};
    std::optional<CodePageText> codePage;
    if (version == biff::kBiff5) {
        codePage.emplace(globals->codePage);
        if (!codePage->known()) return {BiffResult::Kind::Failed, std::nullopt};
    }

    ColumnBuilder column(limits);
    records.Seek(*globals->firstSheet);
    SheetReader sheet(records, limits, column, codePage ? &*codePage : nullptr);
    if (!sheet.Read()) return {BiffResult::Kind::Failed, std::nullopt};
    if (!sheet.sharedCells.empty() &&
        (!globals->sharedStrings || !PlaceSharedStrings(records, *globals->sharedStrings,
                                                        sheet.sharedCells, limits, column))) {
        return {BiffResult::Kind::Failed, std::nullopt};
    }
    return {BiffResult::Kind::Column, column.Finish()};
}

}  // namespace tagwright::sheets
