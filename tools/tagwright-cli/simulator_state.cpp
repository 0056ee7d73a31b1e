// SPDX-License-Identifier: MIT
#include "simulator_state.h"

#include <cstdlib>
#include <sstream>

#include "sim/sim_store.h"

namespace tagwright::cli {
namespace {

// The library's backends: CARDHOST_BACKENDS, comma-separated, "sim" when unset.
bool SimulatorActive() {
    const char* backends = std::getenv("CARDHOST_BACKENDS");
    if (backends == nullptr) return true;
    std::istringstream names(backends);
    for (std::string name; std::getline(names, name, ',');) {
        if (name == "sim") return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> SimulatorStateProblem() {
    if (!SimulatorActive()) return std::nullopt;
    try {
        return cardhost::sim::DescribeStateProblem(cardhost::sim::SimStore::DefaultDirectory());
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
}

}  // namespace tagwright::cli
