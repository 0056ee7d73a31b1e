#!/usr/bin/env bash
# Sets up, builds and runs every test: the debug build, then the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in dev asan; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
