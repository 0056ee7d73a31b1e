// SPDX-License-Identifier: MIT
// FreeXL, called in this process, for workbooks older than BIFF8 (Excel 95 and before). It is
// not safe against crafted files, so the program only calls it inside the tagwright-xls-reader
// helper process.
#pragma once

#include <filesystem>

#include "sheets/column_builder.h"

namespace tagwright::sheets {

std::optional<ColumnA> ReadWithFreeXL(const std::filesystem::path& path, const SheetLimits& limits);

}  // namespace tagwright::sheets
