// SPDX-License-Identifier: MIT
// The workbook as the batch source sees it: column A of the first sheet, one text cell per row.
// Readers for .xls (a helper process), .xlsx (libzip and expat) and .csv stand behind it; the
// format is chosen by the file's content. Each reads only what column A needs and keeps within
// SheetLimits.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "column_a.h"
#include "sheet_limits.h"

namespace tagwright::panels {

// Each reader returns nothing for a file it cannot read: damaged, truncated, encrypted, past a
// limit, or with no sheet. The .xls reader runs the tagwright-xls-reader helper beside the
// executable, so that a file that crashes or hangs the helper only fails to load.
std::optional<ColumnA> ReadXlsColumnA(const std::filesystem::path& path,
                                      const SheetLimits& limits = kSheetLimits);
std::optional<ColumnA> ReadXlsxColumnA(const std::filesystem::path& path,
                                       const SheetLimits& limits = kSheetLimits);
std::optional<ColumnA> ReadXlsxColumnA(std::span<const std::uint8_t> file,
                                       const SheetLimits& limits = kSheetLimits);
std::optional<ColumnA> ReadCsvColumnA(const std::filesystem::path& path,
                                      const SheetLimits& limits = kSheetLimits);
std::optional<ColumnA> ReadCsvColumnA(std::span<const std::uint8_t> file,
                                      const SheetLimits& limits = kSheetLimits);

enum class WorkbookFormat { Xls, Xlsx, Csv, Unknown };
WorkbookFormat SniffFormat(std::span<const std::uint8_t> head);

// One loaded workbook. Load replaces whatever was loaded; a failed load leaves nothing.
class Workbook {
  public:
    bool Load(const std::filesystem::path& path, const SheetLimits& limits = kSheetLimits);
    // The first sheet, or nullptr when nothing is loaded.
    const ColumnA* FirstSheet() const { return sheet_ ? &*sheet_ : nullptr; }

  private:
    std::optional<ColumnA> sheet_;
};

}  // namespace tagwright::panels
