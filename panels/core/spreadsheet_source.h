// SPDX-License-Identifier: MIT
// "Write from file": a panel's workbook and the row it takes its content from.
#pragma once

#include <filesystem>

#include "panel.h"
#include "sheets/workbook.h"

namespace tagwright::panels {

class SpreadsheetSource : public RowSource {
  public:
    explicit SpreadsheetSource(Panel& panel) : panel_(panel) {}

    // After the file dialog: the path into the path field, the load, its message in the Tips
    // field and, when it loaded, the current row into the content field.
    void LoadChosenFile(const std::filesystem::path& path);
    // A file named on the command line: the same without reading the row, which the Write that
    // follows reads (and, when it does not load, reports) itself. Whether it loaded.
    bool LoadNamedFile(const std::filesystem::path& path);

    bool LoadWorkbook(const std::filesystem::path& path);
    bool ReadCurrentRow();
    void NextRow();      // "Row +1"
    void PreviousRow();  // "Row -1"

    // Why the last load failed.
    sheets::LoadRefusal loadRefusal() const { return workbook_.refusal(); }
    // The file the sheet was loaded from; empty when none is loaded.
    const std::filesystem::path& loadedPath() const { return loadedPath_; }

    bool SheetLoaded() const override { return workbook_.FirstSheet() != nullptr; }
    // The loaded sheet's column A, nullptr when nothing is loaded.
    const sheets::ColumnA* sheet() const { return workbook_.FirstSheet(); }
    bool CurrentRowReady() override;
    bool AdvanceAfterWrite() override;
    bool RowsRanOut() const override;

  private:
    Panel& panel_;
    sheets::Workbook workbook_;
    std::filesystem::path loadedPath_;
};

// The row number field's value: leading blanks, an optional sign and decimal digits, as C's
// atoi reads them; text without digits counts as 0. Clamped to the int range.
int RowNumberValue(const std::string& text);

}  // namespace tagwright::panels
