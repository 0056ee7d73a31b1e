// SPDX-License-Identifier: MIT
#include "column_builder.h"

#include <algorithm>
#include <cstring>

namespace tagwright::sheets {

ColumnBuilder::ColumnBuilder(const SheetLimits& limits)
    : cellBytes_(std::min(limits.cellBytes, ColumnA::kBlockBytes)),
      textBytesLeft_(limits.textBytes) {}

std::optional<ColumnA::TextRef> ColumnBuilder::Keep(std::string_view text) {
    if (!FitsOneCell(text.size()) || text.size() > textBytesLeft_) return std::nullopt;
    textBytesLeft_ -= text.size();
    auto& blocks = column_.blocks_;
    if (text.empty()) return ColumnA::TextRef{};
    if (blocks.empty() || column_.lastBlockUsed_ + text.size() > ColumnA::kBlockBytes) {
        // A cell never straddles two blocks; what is left of the last one stays unused.
        if (blocks.size() == ColumnA::kMaxBlocks) return std::nullopt;
        blocks.push_back(std::make_unique_for_overwrite<char[]>(ColumnA::kBlockBytes));
        column_.lastBlockUsed_ = 0;
    }
    const auto offset = static_cast<std::uint32_t>(((blocks.size() - 1) << ColumnA::kBlockShift) |
                                                   column_.lastBlockUsed_);
    std::memcpy(blocks.back().get() + column_.lastBlockUsed_, text.data(), text.size());
    column_.lastBlockUsed_ += text.size();
    return ColumnA::TextRef{offset, static_cast<std::uint32_t>(text.size())};
}

bool ColumnBuilder::Place(std::uint32_t row, ColumnA::TextRef text) {
    if (row >= kMaxRows) return false;
    auto& cells = column_.cells_;
    if (!cells.empty() && cells.back().row == row) {
        cells.back().text = text;
        return true;
    }
    // No sheet has more rows than this; more cells can only be rows given again and again.
    if (cells.size() >= kMaxRows) return false;
    if (!cells.empty() && row < cells.back().row) inRowOrder_ = false;
    cells.push_back({row, text});
    return true;
}

bool ColumnBuilder::Add(std::uint32_t row, std::string_view text) {
    const auto kept = Keep(text);
    return kept && Place(row, *kept);
}

ColumnA ColumnBuilder::Finish() {
    auto& cells = column_.cells_;
    if (!inRowOrder_) {
        std::stable_sort(cells.begin(), cells.end(),
                         [](const auto& a, const auto& b) { return a.row < b.row; });
        // Of the cells of one row, the last given stands.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i + 1 < cells.size() && cells[i + 1].row == cells[i].row) continue;
            cells[kept++] = cells[i];
        }
        cells.resize(kept);
    }
    inRowOrder_ = true;
    return std::move(column_);
}

std::vector<std::uint32_t> SharedStringCells::NamedIndices() const {
    std::vector<std::uint32_t> named;
    named.reserve(cells_.size());
    for (const Cell& cell : cells_)
        named.push_back(cell.index);
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    return named;
}

bool SharedStringCells::PlaceAll(const std::vector<ColumnA::TextRef>& kept,
                                 ColumnBuilder& column) const {
    const std::vector<std::uint32_t> named = NamedIndices();
    for (const Cell& cell : cells_) {
        const auto at = std::lower_bound(named.begin(), named.end(), cell.index);
        const ColumnA::TextRef text = kept[static_cast<std::size_t>(at - named.begin())];
        // An empty string is no text, as an empty cell is not.
        if (text.length != 0 && !column.Place(cell.row, text)) return false;
    }
    return true;
}

}  // namespace tagwright::sheets
