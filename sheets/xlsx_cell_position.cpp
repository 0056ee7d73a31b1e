// SPDX-License-Identifier: MIT
#include "xlsx_cell_position.h"

#include <algorithm>

#include "sheet_limits.h"

namespace tagwright::sheets {
namespace {

// "12" -> row 11; the number must lie between 1 and the last row. pastLastRow says whether it
// was a number below the last row.
std::optional<std::uint32_t> ParseRowNumber(std::string_view digits, bool* pastLastRow) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        number = std::min<std::uint64_t>(number * 10 + static_cast<std::uint64_t>(c - '0'),
                                         std::uint64_t{kMaxRows} + 1);
    }
    if (number > kMaxRows && pastLastRow != nullptr) *pastLastRow = true;
    if (number == 0 || number > kMaxRows) return std::nullopt;
    return static_cast<std::uint32_t>(number - 1);
}

}  // namespace

std::optional<CellPlace> ParseCellReference(std::string_view reference, bool* pastLastRow) {
    std::size_t letters = 0;
    std::uint32_t column = 0;
    while (letters < reference.size() && letters < 4) {
        char c = reference[letters];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        column = column * 26 + static_cast<std::uint32_t>(c - 'A' + 1);
        ++letters;
    }
    if (letters == 0 || column > kMaxColumns) return std::nullopt;
    const auto row = ParseRowNumber(reference.substr(letters), pastLastRow);
    if (!row) return std::nullopt;
    return CellPlace{*row, column - 1};
}

bool CellPositions::NextRow(const char* reference) {
    lastColumn_.reset();
    if (reference != nullptr) {
        row_ = ParseRowNumber(reference, &pastLastRow_);
        return row_.has_value();
    }
    const std::uint32_t next = row_ ? *row_ + 1 : 0;
    if (next >= kMaxRows) {
        pastLastRow_ = true;
        return false;
    }
    row_ = next;
    return true;
}

bool CellPositions::NextCell(const char* reference) {
    if (reference != nullptr) {
        const auto place = ParseCellReference(reference, &pastLastRow_);
        if (!place) return false;
        cell_ = *place;
    } else {
        const std::uint32_t next = lastColumn_ ? *lastColumn_ + 1 : 0;
        if (next >= kMaxColumns) return false;
        cell_ = {row_.value_or(0), next};  // a cell outside any row counts as in the first
    }
    lastColumn_ = cell_.column;
    return true;
}

}  // namespace tagwright::sheets
