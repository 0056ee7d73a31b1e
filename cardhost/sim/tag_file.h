// The stored form of one simulated tag: model, memory, persistent counters, activation state.
#pragma once

#include <optional>
#include <string>

#include "ntag_chip.h"

namespace cardhost::sim {

std::string SerializeTag(const NtagChip& chip);
std::optional<NtagChip> ParseTag(const std::string& text);

}  // namespace cardhost::sim
