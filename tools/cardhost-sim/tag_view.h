// SPDX-License-Identifier: MIT
// The human view of a simulated tag's memory: one line per page, with what the page is for.
#pragma once

#include <string>

#include "cardhost/sim/ntag_chip.h"

namespace cardhost_sim {

std::string DescribeTag(const cardhost::sim::NtagChip& chip, const std::string& whereabouts);

}  // namespace cardhost_sim
