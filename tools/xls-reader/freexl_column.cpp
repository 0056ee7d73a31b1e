// SPDX-License-Identifier: MIT
// Column A of an .xls workbook's first sheet through FreeXL.
#include "freexl_column.h"

#include <freexl.h>

namespace tagwright::sheets {
namespace {

class XlsHandle {
  public:
    explicit XlsHandle(const std::filesystem::path& path) {
        if (freexl_open(path.string().c_str(), &handle_) != FREEXL_OK) handle_ = nullptr;
    }
    ~XlsHandle() {
        if (handle_ != nullptr) freexl_close(handle_);
    }
    XlsHandle(const XlsHandle&) = delete;
    XlsHandle& operator=(const XlsHandle&) = delete;
    const void* get() const { return handle_; }

  private:
    const void* handle_ = nullptr;
};

}  // namespace

std::optional<ColumnA> ReadWithFreeXL(const std::filesystem::path& path,
                                      const SheetLimits& limits) {
    const XlsHandle xls(path);
    if (xls.get() == nullptr) return std::nullopt;
    unsigned int info = 0;
    if (freexl_get_info(xls.get(), FREEXL_BIFF_PASSWORD, &info) != FREEXL_OK ||
        info != FREEXL_BIFF_PLAIN) {
        return std::nullopt;  // encrypted: its cells cannot be read
    }
    if (freexl_get_info(xls.get(), FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0) {
        return std::nullopt;
    }
    if (freexl_select_active_worksheet(xls.get(), 0) != FREEXL_OK) return std::nullopt;
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(xls.get(), &rows, &columns) != FREEXL_OK) return std::nullopt;
    ColumnBuilder column(limits);
    if (columns == 0) return column.Finish();
    for (unsigned int row = 0; row < rows && row < kMaxRows; ++row) {
        FreeXL_CellValue cell{};
        if (freexl_get_cell_value(xls.get(), row, 0, &cell) != FREEXL_OK) continue;
        // An empty text is no text, as in every other format.
        if ((cell.type == FREEXL_CELL_TEXT || cell.type == FREEXL_CELL_SST_TEXT) &&
            cell.value.text_value != nullptr && cell.value.text_value[0] != '\0' &&
            !column.Add(row, cell.value.text_value)) {
            return std::nullopt;
        }
    }
    return column.Finish();
}

}  // namespace tagwright::sheets
