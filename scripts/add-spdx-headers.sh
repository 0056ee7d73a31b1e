#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Puts an SPDX licence line at the top of every source file that lacks one (after a "#!" line),
# or with --check lists those files and fails. Running it twice changes nothing the second time.
# Files: C and C++ sources and headers (.c .cpp .h .inc), CMakeLists.txt, .cmake, .sh, .py,
# as git tracks them (or as found, outside a git checkout); build/ is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
licence="SPDX-License-Identifier: MIT"
check=false
[ "${1:-}" = "--check" ] && check=true

list_sources() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z -- '*.c' '*.cpp' '*.h' '*.inc' '*.cmake' '*.sh' '*.py' \
            'CMakeLists.txt' '*/CMakeLists.txt'
    else
        find . -path ./build -prune -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \
            -o -name '*.inc' -o -name '*.cmake' -o -name '*.sh' -o -name '*.py' \
            -o -name CMakeLists.txt \) -print0
    fi
}

comment_for() {
    case $1 in
        *.c | *.cpp | *.h | *.inc) echo "// $licence" ;;
        *) echo "# $licence" ;;
    esac
}

missing=0
while IFS= read -r -d '' file; do
    [ -f "$file" ] || continue
    # Within the first lines: after a "#!" line, or below a line that must stay first.
    head -n 3 "$file" | grep -q "SPDX-License-Identifier:" && continue
    if $check; then
        echo "no SPDX licence line: $file"
        missing=$((missing + 1))
        continue
    fi
    line=$(comment_for "$file")
    tmp=$(mktemp)
    if head -n 1 "$file" | grep -q '^#!'; then
        { head -n 1 "$file"; echo "$line"; tail -n +2 "$file"; } >"$tmp"
    else
        { echo "$line"; cat "$file"; } >"$tmp"
    fi
    # Keep the file's mode (scripts stay executable).
    cat "$tmp" >"$file"
    rm -f "$tmp"
done < <(list_sources)

if $check && ((missing)); then
    echo "$missing files lack an SPDX licence line (scripts/add-spdx-headers.sh adds them)" >&2
    exit 1
fi
