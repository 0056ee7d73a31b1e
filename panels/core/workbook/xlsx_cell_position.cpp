// SPDX-License-Identifier: MIT
#include "xlsx_cell_position.h"

#include "sheet_limits.h"

namespace tagwright::panels {
namespace {

// "12" -> row 11; the number must lie between 1 and the last row.
std::optional<std::uint32_t> ParseRowNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 7) return std::nullopt;
    std::uint32_t number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (number == 0 || number > kMaxRows) return std::nullopt;
    return number - 1;
}

}  // namespace

std::optional<CellPlace> ParseCellReference(std::string_view reference) {
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
    const auto row = ParseRowNumber(reference.substr(letters));
    if (!row) return std::nullopt;
    return CellPlace{*row, column - 1};
}

bool CellPositions::NextRow(const char* reference) {
    lastColumn_.reset();
    if (reference != nullptr) {
        row_ = ParseRowNumber(reference);
        return row_.has_value();
    }
    const std::uint32_t next = row_ ? *row_ + 1 : 0;
    if (next >= kMaxRows) return false;
    row_ = next;
    return true;
}

bool CellPositions::NextCell(const char* reference) {
    if (reference != nullptr) {
        const auto place = ParseCellReference(reference);
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

}  // namespace tagwright::panels
