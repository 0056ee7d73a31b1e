// SPDX-License-Identifier: MIT
// --resume and --unique-tags: what the journal says about the batch file, made into the row to
// start from and the tags that already received a row.
#pragma once

#include "cli_options.h"
#include "console_output.h"
#include "panels/core/batch_ledger.h"
#include "panels/core/spreadsheet_source.h"

namespace tagwright::cli {

enum class ResumeStart {
    Go,          // the row to start from is in the panel
    AllWritten,  // every row of the file was written before: nothing to do
};

// Reads the journal for the loaded file (by its content's SHA-256), enters the tags that received
// its rows into the ledger, and moves to the row after the last one written; says so.
ResumeStart ResumeBatch(const CliOptions& o, panels::SpreadsheetSource& rows, panels::Panel& panel,
                        panels::BatchLedger& ledger, ConsoleOutput& out);

}  // namespace tagwright::cli
