// The workbook as the batch source sees it: column A of the first sheet, one text cell per row.
// Readers for .xls (FreeXL), .xlsx (libzip and expat) and .csv stand behind it; the format is
// chosen by the file's content.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

namespace tagwright::panels {

// The text cells of column A by 0-based row. Numbers, dates, booleans, errors and blank or
// missing cells are not text and are not held.
class ColumnA {
  public:
    bool IsText(std::uint32_t row) const { return cells_.count(row) > 0; }
    // Empty for a row that holds no text.
    std::string Text(std::uint32_t row) const;
    void Set(std::uint32_t row, std::string text) { cells_[row] = std::move(text); }
    std::size_t textCells() const { return cells_.size(); }
    // The 0-based row of the last text cell; 0 when there is none.
    std::uint32_t lastTextRow() const;
    const std::unordered_map<std::uint32_t, std::string>& cells() const { return cells_; }

  private:
    std::unordered_map<std::uint32_t, std::string> cells_;
};

// Beyond the largest sheet a spreadsheet program writes.
inline constexpr std::uint32_t kMaxRows = 1048576;
// Files and archive members larger than this are refused rather than read.
inline constexpr std::uintmax_t kMaxFileBytes = 256u * 1024 * 1024;

// Each reader returns nothing for a file it cannot read: damaged, truncated, encrypted, too
// large, or with no sheet. The .xls reader runs FreeXL in the tagwright-xls-reader helper
// beside the executable, so that a file that crashes or hangs FreeXL only fails to load.
std::optional<ColumnA> ReadXlsColumnA(const std::filesystem::path& path);
std::optional<ColumnA> ReadXlsxColumnA(std::span<const std::uint8_t> file);
std::optional<ColumnA> ReadCsvColumnA(std::span<const std::uint8_t> file);

enum class WorkbookFormat { Xls, Xlsx, Csv, Unknown };
WorkbookFormat SniffFormat(std::span<const std::uint8_t> head);

// One loaded workbook. Load replaces whatever was loaded; a failed load leaves nothing.
class Workbook {
  public:
    bool Load(const std::filesystem::path& path);
    // The first sheet, or nullptr when nothing is loaded.
    const ColumnA* FirstSheet() const { return sheet_ ? &*sheet_ : nullptr; }

  private:
    std::optional<ColumnA> sheet_;
};

}  // namespace tagwright::panels
