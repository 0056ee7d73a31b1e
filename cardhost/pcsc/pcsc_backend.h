// SPDX-License-Identifier: MIT
// The PC/SC backend on a given PC/SC interface (pcsc-lite, or a test's fake).
#pragma once

#include <memory>

#include "cardhost/library/backend.h"
#include "pcsc_deadline.h"

namespace cardhost::pcsc {

// Each PC/SC call is bounded by `deadline`: one that does not come back in it fails with
// SCARD_E_TIMEOUT (CARDHOST_TIMEOUT).
std::unique_ptr<Backend> MakeBackend(std::shared_ptr<PcscApi> api,
                                     std::chrono::milliseconds deadline = CallDeadline());

}  // namespace cardhost::pcsc
