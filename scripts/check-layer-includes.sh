#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a source file reaches another layer's header by a relative path ("../tag/x.h"):
# the include folders (cmake/LayerHeaders.cmake) only stop includes by the header's own path,
# and a relative path would go around them. A relative path inside one layer's folder is fine.
set -euo pipefail
cd "$(dirname "$0")/.."

# The folder a file belongs to: the first part of its path, or the first two under the folders
# that hold several layers.
layer_of() {
    case "$1" in
        base/* | panels/* | tools/*) echo "$1" | cut -d/ -f1-2 ;;
        *) echo "$1" | cut -d/ -f1 ;;
    esac
}

list_sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -- '*.c' '*.cpp' '*.h' '*.inc'
    else
        find . -path ./build -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \
            -o -name '*.inc' \) -print | sed 's|^\./||'
    fi
}

status=0
while IFS= read -r file; do
    [ -f "$file" ] || continue
    while IFS= read -r included; do
        target=$(realpath -m --relative-to=. "$(dirname "$file")/$included")
        if [ "$(layer_of "$target")" != "$(layer_of "$file")" ]; then
            echo "$file includes \"$included\", which is in $(layer_of "$target")/:" \
                "include it by its own path and link its target"
            status=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\(\.\.\/[^"]*\)".*/\1/p' "$file")
done < <(list_sources)
exit $status
