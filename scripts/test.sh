#!/usr/bin/env bash
# Sets up, builds and runs every test: the debug build, the sanitizer build, and a bounded run of
# each fuzz target (clang, libFuzzer, with the sanitizers).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in dev asan fuzz; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
