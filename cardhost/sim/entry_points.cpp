// SPDX-License-Identifier: MIT
#include "entry_points.h"

#include <algorithm>

namespace cardhost::sim {

bool IsEntryPoint(std::string_view name) {
    return std::find(kEntryPoints.begin(), kEntryPoints.end(), name) != kEntryPoints.end();
}

std::uint32_t LargestStatus(std::string_view entryPoint) {
    return entryPoint.starts_with("Sys_") ? 0xFFu : 0x7FFFFFFFu;
}

}  // namespace cardhost::sim
