// SPDX-License-Identifier: MIT
// Column A of an .xls workbook's first sheet, as the helper reads it: BIFF8 (Excel 97 and later)
// and BIFF5 (Excel 5 and 95) workbooks from their records, older ones through FreeXL. FreeXL's
// shared string table cannot hold a string that runs over more than one CONTINUE record (longer
// than about 8,200 characters, or 4,100 outside Latin-1): it refuses the workbook, or reads other
// cells' text wrongly; and it takes neither BIFF5's rich-text cells nor its formula string
// results.
#pragma once

#include <filesystem>

#include "sheets/column_builder.h"

namespace tagwright::sheets {

std::optional<ColumnA> ReadXlsFile(const std::filesystem::path& path, const SheetLimits& limits);

}  // namespace tagwright::sheets
