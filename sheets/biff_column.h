// SPDX-License-Identifier: MIT
// Column A of the first sheet of a BIFF8 workbook (Excel 97 and later) or a BIFF5 one (Excel 5
// and 95), read from the records themselves. The sheet's records are read first, noting which
// shared strings column A names; then, in BIFF8, the shared string table, across its CONTINUE
// records, up to the last of those. BIFF5 has no such table: its cells hold their text, in the
// workbook's code page.
#pragma once

#include <optional>

#include "column_builder.h"
#include "compound_file.h"

namespace tagwright::sheets {

struct BiffResult {
    enum class Kind {
        Column,       // column A, within the limits
        Failed,       // damaged, encrypted, without a sheet, or past a limit
        OtherVersion  // BIFF4 or older (or no workbook stream at all): for FreeXL
    } kind;
    std::optional<ColumnA> column;
};

BiffResult ReadBiffColumnA(const CompoundFile& file, const SheetLimits& limits);

}  // namespace tagwright::sheets
