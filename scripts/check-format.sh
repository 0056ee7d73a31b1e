#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails, naming the places, when a C or C++ source or header is not as .clang-format lays it
# out; with --fix, formats them instead. Files as git tracks them (or as found, outside a git
# checkout); build/ is never read.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=${CLANG_FORMAT:-clang-format}
if ! command -v "$formatter" >/dev/null; then
    echo "check-format: $formatter not found (scripts/setup.sh installs it)" >&2
    exit 1
fi

list_sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z -- '*.c' '*.cpp' '*.h' '*.inc'
    else
        find . -path ./build -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \
            -o -name '*.inc' \) -print0
    fi
}

if [ "${1:-}" = "--fix" ]; then
    list_sources | xargs -0 -r "$formatter" -i
else
    list_sources | xargs -0 -r "$formatter" --dry-run -Werror
fi
