// SPDX-License-Identifier: MIT
#include "xls_column.h"

#include "freexl_column.h"
#include "sheets/biff_column.h"

namespace tagwright::sheets {

std::optional<ColumnA> ReadXlsFile(const std::filesystem::path& path, const SheetLimits& limits) {
    const auto file = CompoundFile::Open(path);
    if (!file) return std::nullopt;
    auto biff = ReadBiffColumnA(*file, limits);
    if (biff.kind == BiffResult::Kind::OtherVersion) return ReadWithFreeXL(path, limits);
    return std::move(biff.column);
}

}  // namespace tagwright::sheets
