// SPDX-License-Identifier: MIT
// Where the cells of an .xlsx sheet lie. A <row> or <c> may name its place in its r attribute;
// one that does not follows the one before it in document order: a row without r is the row
// after the previous row, a cell without r the column after the previous cell of its row.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tagwright::sheets {

// Columns A to XFD.
inline constexpr std::uint32_t kMaxColumns = 16384;

struct CellPlace {
    std::uint32_t row;     // 0-based
    std::uint32_t column;  // 0-based: A is 0
};

// "B12" -> column 1, row 11; letters in either case. Nothing for what is not a cell reference
// within the largest sheet; pastLastRow, when given, says whether it was one to a row below it.
std::optional<CellPlace> ParseCellReference(std::string_view reference,
                                            bool* pastLastRow = nullptr);

class CellPositions {
  public:
    // At each <row> and <c>, with its r attribute or nullptr; false when r is malformed or the
    // place would lie past the largest sheet.
    bool NextRow(const char* reference);
    bool NextCell(const char* reference);
    // The place of the cell last begun.
    CellPlace cell() const { return cell_; }
    // Whether the last false came from a row below the largest sheet's last.
    bool pastLastRow() const { return pastLastRow_; }

  private:
    std::optional<std::uint32_t> row_;         // of the <row> last begun
    std::optional<std::uint32_t> lastColumn_;  // of the previous cell in that row
    CellPlace cell_{0, 0};
    bool pastLastRow_ = false;
};

}  // namespace tagwright::sheets
