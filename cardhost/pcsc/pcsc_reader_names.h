// SPDX-License-Identifier: MIT
// Which of pcsc-lite's reader names become cardhost readers.
#pragma once

#include <string>
#include <vector>

namespace cardhost::pcsc {

// The names to offer, in pcsc-lite's order: a reader with several slots (a contactless PICC
// slot beside a SAM or contact slot) offers its PICC slot only; names that say nothing of a
// PICC slot are kept as they are.
std::vector<std::string> ContactlessSlots(const std::vector<std::string>& names);

}  // namespace cardhost::pcsc
