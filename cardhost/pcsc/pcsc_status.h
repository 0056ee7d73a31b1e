// SPDX-License-Identifier: MIT
// What a PC/SC result means to a caller of the reader library.
#pragma once

#include <winscard.h>

#include "cardhost/library/backend.h"

namespace cardhost::pcsc {

// The cardhost status for a PC/SC result (the table in docs/cardhost.md).
Status StatusOf(LONG result);

// Results after which the context or handle is dead and must be made afresh: the service was
// restarted, or stopped.
bool ContextLost(LONG result);

// Results that mean the card left the field.
bool CardGone(LONG result);

}  // namespace cardhost::pcsc
