// SPDX-License-Identifier: MIT
// The stored form of one simulated tag: model, memory, persistent counters, activation state.
#pragma once

#include <string>

#include "ntag_chip.h"

namespace cardhost::sim {

std::string SerializeTag(const NtagChip& chip);
// Throws FormatError for anything SerializeTag would not have written, including a text cut
// short (the last line marks the end).
NtagChip ParseTag(const std::string& text);

}  // namespace cardhost::sim
