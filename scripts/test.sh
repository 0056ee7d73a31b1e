#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs every test: the GCC-optimised build (with the benchmarks, which are
# built, not run), the sanitizer build, and a bounded run of each fuzz target (clang, libFuzzer,
# with the sanitizers). The sanitizer build is the debug build with AddressSanitizer and UBSan
# added, so every test runs unoptimised there and optimised in the other; the plain debug build
# (preset dev) adds no check of its own and is the developers' everyday build, not run here.
# Each test run installs its build into a scratch prefix and runs the installed programs
# (InstalledLayout); the optimised build also runs a 1,000-row batch killed three times
# (scripts/interrupted_batch.sh), and is then packaged and the package checked.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# A plain build, as packagers and IDEs configure it, must not turn warnings into errors.
cmake -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
if grep -q -- '-Werror' build/plain/compile_commands.json; then
    echo "a plain build treats warnings as errors" >&2
    exit 1
fi
for preset in optimised asan fuzz; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    if [[ $preset == optimised ]]; then
        # The 1,000-row batch killed three times: too slow for ctest, run once here.
        if scripts/interrupted_batch.sh 1000 3 build/optimised; then
            echo "interrupted batch: PASS"
        else
            echo "interrupted batch: FAIL" >&2
            exit 1
        fi
    fi
done
echo "== package"
scripts/package.sh build/optimised
scripts/check-package.sh
