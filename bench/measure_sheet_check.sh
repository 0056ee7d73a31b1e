#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Peak memory and wall time of `tagwright-cli check` on the largest sheet a load takes: 1,048,576
# rows of distinct texts (nothing fails) and of one text (every row after the first is a
# duplicate), each in a process of its own under /usr/bin/time -v. The files are written once
# into a scratch folder. The goal (docs/decisions.md, "Batches"): under 64 MB.
# Usage: bench/measure_sheet_check.sh [BIN_DIR] [SCRATCH_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="${1:-$here/../build/bench/bin}"
scratch="${2:-${TMPDIR:-/tmp}/tagwright-sheet-check}"
mkdir -p "$scratch"
[ -f "$scratch/distinct.csv" ] || awk 'BEGIN { for (i = 0; i < 1048576; i++) printf "tag %07d\n", i }' > "$scratch/distinct.csv"
[ -f "$scratch/same.csv" ] || awk 'BEGIN { for (i = 0; i < 1048576; i++) print "same text" }' > "$scratch/same.csv"
for name in distinct.csv same.csv; do
    report="$(/usr/bin/time -v "$bin/tagwright-cli" check text --from-file "$scratch/$name" 2>&1 >/dev/null || true)"
    peak="$(sed -n 's/.*Maximum resident set size (kbytes): //p' <<<"$report")"
    wall="$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' <<<"$report")"
    summary="$("$bin/tagwright-cli" check text --from-file "$scratch/$name" | tail -n 1 || true)"
    printf '%s\tpeak RSS %.1f MB\twall %s\t%s\n' "$name" "$(awk -v kib="$peak" 'BEGIN { print kib / 1024 }')" "$wall" "$summary"
done
