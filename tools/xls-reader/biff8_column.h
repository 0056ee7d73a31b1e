// SPDX-License-Identifier: MIT
// Column A of the first sheet of a BIFF8 workbook (Excel 97 and later), read from the records
// themselves. The sheet's records are read first, noting which shared strings column A names;
// then the shared string table, across its CONTINUE records, up to the last of those.
#pragma once

#include <optional>

#include "compound_file.h"
#include "panels/core/workbook/column_builder.h"

namespace tagwright::panels {

struct Biff8Result {
    enum class Kind {
        Column,   // column A, within the limits
        Failed,   // damaged, encrypted, without a sheet, or past a limit
        NotBiff8  // another BIFF version (or no Workbook stream): for FreeXL
    } kind;
    std::optional<ColumnA> column;
};

Biff8Result ReadBiff8ColumnA(const CompoundFile& file, const SheetLimits& limits);

}  // namespace tagwright::panels
