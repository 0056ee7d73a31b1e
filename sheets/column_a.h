// SPDX-License-Identifier: MIT
// Column A of a sheet as the batch source keeps it: the text cells by 0-based row. Numbers, dates,
// booleans, errors and blank or missing cells are not text and are not held. The text lies in
// blocks that never move and each cell is 12 bytes, so a column costs little more than its text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tagwright::sheets {

class ColumnA {
  public:
    bool IsText(std::uint32_t row) const { return Find(row) != nullptr; }
    // Empty for a row that holds no text.
    std::string Text(std::uint32_t row) const;
    std::size_t textCells() const { return cells_.size(); }
    // The 0-based row of the last text cell; 0 when there is none.
    std::uint32_t lastTextRow() const { return cells_.empty() ? 0 : cells_.back().row; }
    // Every text cell, in row order.
    template <typename Visit>
    void ForEachCell(Visit&& visit) const {
        for (const Cell& cell : cells_)
            visit(cell.row, TextOf(cell.text));
    }

    // Where a text lies in the blocks: the block in the bits above kBlockShift.
    struct TextRef {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    static constexpr unsigned kBlockShift = 20;
    static constexpr std::size_t kBlockBytes = std::size_t{1} << kBlockShift;
    static constexpr std::size_t kMaxBlocks = std::size_t{1} << (32 - kBlockShift);

  private:
    friend class ColumnBuilder;
    struct Cell {
        std::uint32_t row;
        TextRef text;
    };
    const Cell* Find(std::uint32_t row) const;
    std::string_view TextOf(TextRef text) const;

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t lastBlockUsed_ = 0;
    std::vector<Cell> cells_;  // by row, one per row
};

}  // namespace tagwright::sheets
