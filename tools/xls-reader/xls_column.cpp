// SPDX-License-Identifier: MIT
#include "xls_column.h"

#include "biff8_column.h"
#include "freexl_column.h"

namespace tagwright::panels {

std::optional<ColumnA> ReadXlsFile(const std::filesystem::path& path, const SheetLimits& limits) {
    const auto file = CompoundFile::Open(path);
    if (!file) return std::nullopt;
    auto biff8 = ReadBiff8ColumnA(*file, limits);
    if (biff8.kind == Biff8Result::Kind::NotBiff8) return ReadWithFreeXL(path, limits);
    return std::move(biff8.column);
}

}  // namespace tagwright::panels
