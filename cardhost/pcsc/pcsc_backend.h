// SPDX-License-Identifier: MIT
// The PC/SC backend on a given PC/SC interface (pcsc-lite, or a test's fake).
#pragma once

#include <memory>

#include "../src/backend.h"
#include "pcsc_api.h"

namespace cardhost::pcsc {

std::unique_ptr<Backend> MakeBackend(std::shared_ptr<PcscApi> api);

}  // namespace cardhost::pcsc
