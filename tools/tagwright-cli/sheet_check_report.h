// SPDX-License-Identifier: MIT
// The check command's output, and the pre-flight of an Auto batch from a file: the rows that
// would fail as a table (or JSON lines) and a summary.
#pragma once

#include "cli_options.h"
#include "console_output.h"
#include "panels/core/sheet_check.h"
#include "sheets/workbook.h"

namespace tagwright::cli {

panels::SheetCheckSettings CheckSettingsOf(const CliOptions& o);

// Checks the sheet, printing each row that would fail as it is found, then the summary (with
// quietWhenPassed, only when a row would fail). True when every row passes.
bool CheckAndPrint(ConsoleOutput& out, const sheets::ColumnA& sheet,
                   const panels::SheetCheckSettings& settings, const CliOptions& o,
                   bool quietWhenPassed);

// A file that did not load: "cannot load PATH", with the limit it passed when it was one.
void PrintLoadFailure(ConsoleOutput& out, const std::string& path, sheets::LoadRefusal refusal);

// The check command: loads the file without a reader. Exit status 0 when every row passes.
int RunSheetCheck(const CliOptions& o, ConsoleOutput& out);

}  // namespace tagwright::cli
