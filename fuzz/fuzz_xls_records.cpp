// SPDX-License-Identifier: MIT
// The .xls helper's compound file and BIFF8 readers on any file, in this process.
#include <cstddef>
#include <cstdint>

#include "biff8_column.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tagwright::panels;
    const auto file = CompoundFile::Open(std::span<const std::uint8_t>(data, size));
    if (!file) return 0;
    const auto result = ReadBiff8ColumnA(*file, kSheetLimits);
    if (result.kind == Biff8Result::Kind::Column && !result.column) __builtin_trap();
    if (result.column && result.column->textCells() > kMaxRows) __builtin_trap();
    return 0;
}
