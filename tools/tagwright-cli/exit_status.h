// SPDX-License-Identifier: MIT
// tagwright-cli's exit statuses, as its manual page lists them.
#pragma once

namespace tagwright::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;   // a run ended in failure; check: a row would fail
inline constexpr int kExitUsage = 2;     // bad arguments, or a batch refused before it started
inline constexpr int kExitNoReader = 3;  // no reader library, or no reader to open

}  // namespace tagwright::cli
