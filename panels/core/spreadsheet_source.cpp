// SPDX-License-Identifier: MIT
#include "spreadsheet_source.h"

#include <climits>

#include "log/log_feed.h"
#include "text/text_tables.h"

namespace tagwright::panels {
namespace {

using text::Table;

// A row that cannot be loaded: its message in red.
bool RowFailed(int entry) {
    feed::AppendLog(0, text::Tr(Table::Message, entry), feed::kRed);
    return false;
}

}  // namespace

int RowNumberValue(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i++] - '0');
        if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

bool SpreadsheetSource::LoadWorkbook(const std::filesystem::path& path) {
    const bool loaded = workbook_.Load(path);
    loadedPath_ = loaded ? path : std::filesystem::path();
    return loaded;
}

bool SpreadsheetSource::LoadNamedFile(const std::filesystem::path& path) {
    panel_.SetFilePathText(path.string());
    if (!LoadWorkbook(path)) {
        feed::ShowStatus(text::Tr(Table::General, text::general::kFailedToLoadFile), feed::kRed);
        return false;
    }
    feed::ShowStatus(text::Tr(Table::General, text::general::kFileLoadingSuccessfully),
                     feed::kBlue);
    return true;
}

void SpreadsheetSource::LoadChosenFile(const std::filesystem::path& path) {
    if (LoadNamedFile(path)) ReadCurrentRow();
}

bool SpreadsheetSource::ReadCurrentRow() {
    const sheets::ColumnA* sheet = workbook_.FirstSheet();
    if (sheet == nullptr) return RowFailed(text::msg::kNoFilesLoaded);
    const int row = RowNumberValue(panel_.rowNumberText());
    if (row < 1) return RowFailed(text::msg::kRowNumberAboveZero);
    panel_.SetContentText({});
    const auto index = static_cast<std::uint32_t>(row - 1);
    if (!sheet->IsText(index)) return RowFailed(text::msg::kUnrecognizableCharacterTypes);
    panel_.SetContentText(sheet->Text(index));
    return true;
}

bool SpreadsheetSource::CurrentRowReady() {
    // The row is read again for every Write: the operator may have typed another row number, or
    // into the content field, since it was loaded, and the journal records the row number with
    // what the tag received.
    return ReadCurrentRow();
}

bool SpreadsheetSource::RowsRanOut() const {
    const sheets::ColumnA* sheet = workbook_.FirstSheet();
    if (sheet == nullptr) return false;
    const int row = RowNumberValue(panel_.rowNumberText());
    if (row < 1) return false;
    return sheet->textCells() == 0 || static_cast<std::uint32_t>(row - 1) > sheet->lastTextRow();
}

void SpreadsheetSource::NextRow() {
    const long long next = static_cast<long long>(RowNumberValue(panel_.rowNumberText())) + 1;
    panel_.SetRowNumberText(std::to_string(next));
    ReadCurrentRow();
}

void SpreadsheetSource::PreviousRow() {
    const int value = RowNumberValue(panel_.rowNumberText());
    if (value <= 1) return;
    panel_.SetRowNumberText(std::to_string(value - 1));
    ReadCurrentRow();
}

bool SpreadsheetSource::AdvanceAfterWrite() {
    if (panel_.rowAutoIncrement()) {
        const long long next = static_cast<long long>(RowNumberValue(panel_.rowNumberText())) + 1;
        panel_.SetRowNumberText(std::to_string(next));
    }
    return ReadCurrentRow();
}

}  // namespace tagwright::panels
