// SPDX-License-Identifier: MIT
#include "column_a.h"

#include <algorithm>

namespace tagwright::sheets {

const ColumnA::Cell* ColumnA::Find(std::uint32_t row) const {
    // A batch column is mostly one text per row from the top: then the cell is at its row.
    if (row < cells_.size() && cells_[row].row == row) return &cells_[row];
    const auto it =
        std::lower_bound(cells_.begin(), cells_.end(), row,
                         [](const Cell& cell, std::uint32_t r) { return cell.row < r; });
    return it != cells_.end() && it->row == row ? &*it : nullptr;
}

std::string_view ColumnA::TextOf(TextRef text) const {
    if (text.length == 0) return {};
    const char* block = blocks_[text.offset >> kBlockShift].get();
    return {block + (text.offset & (kBlockBytes - 1)), text.length};
}

std::string ColumnA::Text(std::uint32_t row) const {
    const Cell* cell = Find(row);
    return cell == nullptr ? std::string() : std::string(TextOf(cell->text));
}

}  // namespace tagwright::sheets
