// SPDX-License-Identifier: MIT
// `tagwright-cli read|write|clear-key|erase`: one run of the panel's command on the reader, or Auto
// operation until Stop (Ctrl-C), --count tags or the sheet's end, with a summary.
#pragma once

#include <string>

#include "cli_options.h"
#include "console_output.h"

namespace tagwright::cli {

// Ctrl-C and SIGTERM end Auto operation as Stop does, with its summary.
void InstallInterruptHandlers();

// `stdinText`: the content read from standard input (--stdin), or nothing.
int RunTagCommand(const CliOptions& o, ConsoleOutput& out, const std::string& stdinText);

}  // namespace tagwright::cli
