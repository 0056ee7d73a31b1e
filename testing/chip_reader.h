// SPDX-License-Identifier: MIT
// A reader table that talks straight to one in-memory simulated chip: the whole tag engine runs
// on it without files, processes or a shared library.
#pragma once

#include "cardhost/sim/ntag_chip.h"
#include "reader/reader_api.h"

namespace tagwright::testing {

// The table's calls reach `chip`, which must outlive its use. The field is always on.
reader::ReaderApi ChipReaderApi(cardhost::sim::NtagChip& chip);

}  // namespace tagwright::testing
