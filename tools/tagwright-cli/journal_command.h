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

// Why the journal that the command keeps or prints has no place (no private folder, a folder of
// another user's, a folder that cannot be made); empty when it has one. Never the working
// directory: with HOME unset there is no private folder. Makes the folders a record needs.
std::string JournalPlaceProblem(const CliOptions& o);

// Exit status: 0, or 1 when a batch file named could not be read.
int PrintJournal(const CliOptions& o, ConsoleOutput& out, std::FILE* csv);

}  // namespace tagwright::cli
