// SPDX-License-Identifier: MIT
// The program's reader of the .xls helper's answer: read in two pieces split anywhere, it gives
// what it gives read whole.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sheets/xls_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tagwright::sheets;
    if (size == 0) return 0;
    const std::size_t split = data[0] % size;
    const std::string_view answer(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto whole = DecodeColumn(answer);
    ColumnDecoder pieces(kSheetLimits);
    const bool fed = pieces.Feed(answer.substr(0, split)) && pieces.Feed(answer.substr(split));
    const auto split_column = fed ? pieces.Finish() : std::nullopt;
    if (whole.has_value() != split_column.has_value()) __builtin_trap();
    if (whole && (whole->textCells() != split_column->textCells() ||
                  whole->lastTextRow() != split_column->lastTextRow() ||
                  whole->Text(whole->lastTextRow()) != split_column->Text(whole->lastTextRow()))) {
        __builtin_trap();
    }
    return 0;
}
