// SPDX-License-Identifier: MIT
// `tagwright-cli readers [--verbose]`: the readers the device list offers, one a line, with the
// backend, ATR and personality of each when asked; why there are none, when there are none.
#pragma once

#include "cli_options.h"
#include "console_output.h"

namespace tagwright::cli {

int RunReaders(const CliOptions& o, ConsoleOutput& out);

}  // namespace tagwright::cli
