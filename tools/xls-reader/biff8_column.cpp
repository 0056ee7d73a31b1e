// SPDX-License-Identifier: MIT
#include "biff8_column.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "biff_records.h"

namespace tagwright::panels {
namespace {

std::uint16_t Le16(const std::vector<std::uint8_t>& body, std::size_t at) {
    return static_cast<std::uint16_t>(body[at] | body[at + 1] << 8);
}

std::uint32_t Le32(const std::vector<std::uint8_t>& body, std::size_t at) {
    return static_cast<std::uint32_t>(Le16(body, at)) |
           static_cast<std::uint32_t>(Le16(body, at + 2)) << 16;
}

// Where the globals say the first sheet and the shared string table are.
struct Globals {
    std::optional<std::uint32_t> firstSheet;
    std::optional<std::uint64_t> sharedStrings;
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
        if (type == biff::kSst && !globals.sharedStrings) {
            globals.sharedStrings = records.offset() - 4 - body.size();
        }
    }
    return globals;
}

class SheetReader {
  public:
    SheetReader(BiffRecords& records, const SheetLimits& limits, ColumnBuilder& column)
        : records_(records), limits_(limits), column_(column) {}

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
                // STRING record.
                if (body.size() >= 14 && body[6] == 0 && body[12] == 0xFF && body[13] == 0xFF) {
                    formulaRow_ = row;
                }
                return true;
            default:
                return true;
        }
    }

    bool Text(std::uint32_t row, std::vector<std::uint8_t> body) {
        ContinuedRecord record(records_, std::move(body));
        std::string text;
        std::uint16_t count = 0;
        std::uint8_t options = 0;
        // LABEL, RSTRING and STRING hold a count and option byte without rich-text sizes.
        if (!record.U16(count) || !record.U8(options) ||
            !record.Characters(count, (options & 0x01) != 0, &text, limits_.cellBytes) ||
            !column_.Add(row, text)) {
            return false;
        }
        return true;
    }

    BiffRecords& records_;
    const SheetLimits& limits_;
    ColumnBuilder& column_;
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

Biff8Result ReadBiff8ColumnA(const CompoundFile& file, const SheetLimits& limits) {
    // Excel 95 and before name their stream Book; a Workbook stream that cannot be read is
    // damaged, not something for FreeXL.
    if (!file.HasStream("Workbook")) return {Biff8Result::Kind::NotBiff8, std::nullopt};
    const auto stream = file.Stream("Workbook");
    if (!stream) return {Biff8Result::Kind::Failed, std::nullopt};
    BiffRecords records(*stream);
    std::uint16_t type = 0;
    std::vector<std::uint8_t> body;
    if (!records.Next(type, body) || type != biff::kBof || body.size() < 4)
        return {Biff8Result::Kind::Failed, std::nullopt};
    if (Le16(body, 0) != biff::kBiff8) return {Biff8Result::Kind::NotBiff8, std::nullopt};
    if (Le16(body, 2) != biff::kGlobals) return {Biff8Result::Kind::Failed, std::nullopt};
    const auto globals = ReadGlobals(records);
    if (!globals || !globals->firstSheet) return {Biff8Result::Kind::Failed, std::nullopt};

    ColumnBuilder column(limits);
    records.Seek(*globals->firstSheet);
    SheetReader sheet(records, limits, column);
    if (!sheet.Read()) return {Biff8Result::Kind::Failed, std::nullopt};
    if (!sheet.sharedCells.empty() &&
        (!globals->sharedStrings || !PlaceSharedStrings(records, *globals->sharedStrings,
                                                        sheet.sharedCells, limits, column))) {
        return {Biff8Result::Kind::Failed, std::nullopt};
    }
    return {Biff8Result::Kind::Column, column.Finish()};
}

}  // namespace tagwright::panels
