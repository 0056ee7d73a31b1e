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
#include <string_view>

#include "column_a.h"
#include "sheet_limits.h"

namespace tagwright::sheets {

// Why a file did not load, where the operator can do something about it.
enum class LoadRefusal {
    Unreadable,   // damaged, truncated, encrypted, past another limit, or with no sheet
    TooManyRows,  // rows below the last a sheet can have (kMaxRows)
};
// In English, naming the limit: for the command line.
std::string_view LoadRefusalText(LoadRefusal refusal);

// Each reader returns nothing for a file it cannot read: damaged, truncated, encrypted, past a
// limit, or with no sheet; `refusal`, when given, says why. The .xls reader runs the
// tagwright-xls-reader helper beside the executable, so that a file that crashes or hangs the
// helper only fails to load. An .xls sheet cannot pass the row limit: BIFF numbers its rows in
// 16 bits.
std::optional<ColumnA> ReadXlsColumnA(const std::filesystem::path& path,
                                      const SheetLimits& limits = kSheetLimits);
std::optional<ColumnA> ReadXlsxColumnA(const std::filesystem::path& path,
                                       const SheetLimits& limits = kSheetLimits,
                                       LoadRefusal* refusal = nullptr);
std::optional<ColumnA> ReadXlsxColumnA(std::span<const std::uint8_t> file,
                                       const SheetLimits& limits = kSheetLimits);
std::optional<ColumnA> ReadCsvColumnA(const std::filesystem::path& path,
                                      const SheetLimits& limits = kSheetLimits,
                                      LoadRefusal* refusal = nullptr);
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
    // Why the last load failed.
    LoadRefusal refusal() const { return refusal_; }

  private:
    std::optional<ColumnA> sheet_;
    LoadRefusal refusal_ = LoadRefusal::Unreadable;
};

}  // namespace tagwright::sheets
