// SPDX-License-Identifier: MIT
#include "core_dumps.h"

#if defined(__linux__)
#include <sys/prctl.h>
#endif
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

namespace tagwright::secrets {

void ForbidCoreDumps() {
#if !defined(_WIN32)
    // The limit is inherited by the helper processes too (the .xls reader), which is harmless.
    const struct rlimit none { 0, 0 };
    ::setrlimit(RLIMIT_CORE, &none);
#endif
#if defined(__linux__)
    // A core_pattern that pipes to a program ignores RLIMIT_CORE; a process that is not
    // dumpable is not dumped at all.
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

}  // namespace tagwright::secrets
