// SPDX-License-Identifier: MIT
// tagwright-cli journal: the records of the journal (all, since a day, or of one batch file),
// as CSV or one JSON object a line, and for a batch what it amounts to.
#pragma once

#include "app/journal_file.h"
#include "cli_options.h"
#include "console_output.h"

namespace tagwright::cli {

// The journal a command records into and reads: --journal PATH, or the daily files.
app::JournalFile JournalOf(const CliOptions& o);

// Exit status: 0, or 1 when a batch file named could not be read.
int PrintJournal(const CliOptions& o, ConsoleOutput& out, std::FILE* csv);

}  // namespace tagwright::cli
