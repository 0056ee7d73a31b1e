// SPDX-License-Identifier: MIT
// Taking up a batch that an earlier run left unfinished: what the journal says about a sheet
// (known by its content, not its name) and where the batch goes on. The window asks the
// operator before it goes on; the command line goes on when --resume says so.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "journal_file.h"
#include "panels/core/batch_ledger.h"
#include "sheets/column_a.h"

namespace tagwright::app {

struct ResumePoint {
    std::string sha256;                          // the sheet's content
    std::optional<int> firstRow;                 // the lowest row written successfully
    std::optional<int> lastRow;                  // the highest
    std::size_t rowsWritten = 0;                 // rows with a successful write
    std::size_t tagsWritten = 0;                 // tags that received a row
    std::vector<std::pair<tag::Uid, int>> tags;  // each tag with the row it received
    std::vector<std::string> problems;           // damaged journal records, as "file: what"

    bool Known() const { return lastRow.has_value(); }
    int nextRow() const { return lastRow ? *lastRow + 1 : 1; }
    // Whether the row after the last one written lies past the sheet's last text row.
    bool Complete(const sheets::ColumnA& sheet) const {
        return lastRow && std::uint32_t(*lastRow) >= sheet.lastTextRow() + 1;
    }
};

// Reads the journal record by record (never whole) for the batch of `sheetFile`.
ResumePoint FindResumePoint(const JournalFile& journal, const std::filesystem::path& sheetFile);

// The tags that received rows go into the ledger (one row per tag refuses them), and the first
// tag written is read back first: it may be the one in flight when the earlier run ended.
void TakeUpBatch(const ResumePoint& point, panels::BatchLedger& ledger);

}  // namespace tagwright::app
