// SPDX-License-Identifier: MIT
// The .xls helper's compound file and BIFF5/BIFF8 readers on any file, in this process.
#include <cstddef>
#include <cstdint>

#include "sheets/biff_column.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tagwright::sheets;
    const auto file = CompoundFile::Open(std::span<const std::uint8_t>(data, size));
    if (!file) return 0;
    const auto result = ReadBiffColumnA(*file, kSheetLimits);
    if (result.kind == BiffResult::Kind::Column && !result.column) __builtin_trap();
    if (result.column && result.column->textCells() > kMaxRows) __builtin_trap();
    return 0;
}
