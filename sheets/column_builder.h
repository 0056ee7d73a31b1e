// SPDX-License-Identifier: MIT
// Builds a ColumnA while a reader goes through a file, and holds it to the load's limits: a call
// that returns false has passed one of them, and the load fails.
#pragma once

#include <optional>
#include <vector>

#include "column_a.h"
#include "sheet_limits.h"

namespace tagwright::sheets {

class ColumnBuilder {
  public:
    // One cell never takes more than a block of text (1 MiB), whatever the limits say.
    explicit ColumnBuilder(const SheetLimits& limits);

    // One cell's text. A row given twice keeps the text given last.
    bool Add(std::uint32_t row, std::string_view text);
    // Text that several cells may name (a shared string): kept once, given to cells by Place.
    std::optional<ColumnA::TextRef> Keep(std::string_view text);
    bool Place(std::uint32_t row, ColumnA::TextRef text);
    // Whether a cell's text of this many bytes is within the limit on one cell.
    bool FitsOneCell(std::size_t bytes) const { return bytes <= cellBytes_; }

    // The column in row order, one cell per row.
    ColumnA Finish();

  private:
    std::size_t cellBytes_;
    std::size_t textBytesLeft_;
    bool inRowOrder_ = true;
    ColumnA column_;
};

// Column A cells whose text is a shared string, noted while the sheet is read: the string table
// is then read only for the strings they name, and each string kept is given to its cells.
class SharedStringCells {
  public:
    void Add(std::uint32_t row, std::uint32_t index) { cells_.push_back({row, index}); }
    bool empty() const { return cells_.empty(); }
    // The distinct indices the cells name, in ascending order.
    std::vector<std::uint32_t> NamedIndices() const;
    // `kept[i]` is the text of NamedIndices()[i]; a cell whose string is empty gets no text.
    // False when a cell passes a limit.
    bool PlaceAll(const std::vector<ColumnA::TextRef>& kept, ColumnBuilder& column) const;

  private:
    struct Cell {
        std::uint32_t row;
        std::uint32_t index;
    };
    std::vector<Cell> cells_;
};

}  // namespace tagwright::sheets
