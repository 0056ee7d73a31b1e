// FreeXL, called in this process. It is not safe against crafted files, so the program only
// calls it inside the tagwright-xls-reader helper process.
#pragma once

#include "panels/core/workbook/workbook.h"

namespace tagwright::panels {

std::optional<ColumnA> ReadWithFreeXL(const std::filesystem::path& path);

}  // namespace tagwright::panels
