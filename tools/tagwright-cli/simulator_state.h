// SPDX-License-Identifier: MIT
// Why the simulated readers are missing, when they are: the reader library can only answer
// "storage unusable", so the command line looks at the simulator's state directory itself to
// name the damaged file.
#pragma once

#include <optional>
#include <string>

namespace tagwright::cli {

// Nothing when the simulator is not among the reader library's backends or its state is usable.
std::optional<std::string> SimulatorStateProblem();

}  // namespace tagwright::cli
