// SPDX-License-Identifier: MIT
// The .xlsx and .csv readers on any file, in this process. The .csv reader is fed as a file is
// read, in pieces: split anywhere, the file gives the column it gives whole.
#include <cstddef>
#include <cstdint>

#include "sheets/csv_reader.h"
#include "sheets/workbook.h"

namespace {

using namespace tagwright::sheets;

bool SameColumn(const ColumnA& a, const ColumnA& b) {
    if (a.textCells() != b.textCells()) return false;
    bool same = true;
    a.ForEachCell([&](std::uint32_t row, std::string_view text) {
        same = same && b.IsText(row) && b.Text(row) == text;
    });
    return same;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const auto csv = ReadCsvColumnA(file);
    const auto xlsx = ReadXlsxColumnA(file);
    for (const auto* column : {&csv, &xlsx}) {
        if (*column && (*column)->textCells() > kMaxRows) __builtin_trap();
    }
    const std::size_t split = size == 0 ? 0 : data[0] % size;
    CsvColumnReader pieces(kSheetLimits);
    const bool fed = pieces.Feed(file.first(split)) && pieces.Feed(file.subspan(split));
    const auto csvPieces = fed ? pieces.Finish() : std::nullopt;
    if (csv.has_value() != csvPieces.has_value()) __builtin_trap();
    if (csv && !SameColumn(*csv, *csvPieces)) __builtin_trap();
    return 0;
}
