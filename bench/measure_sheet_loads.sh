#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Loads each hostile and each 65,536-row workbook in a process of its own and prints what the load
# cost (build/bench/bin/sheet_load_peak). The files are written once into a scratch folder.
# Usage: bench/measure_sheet_loads.sh [BIN_DIR] [SCRATCH_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="${1:-$here/../build/bench/bin}"
scratch="${2:-${TMPDIR:-/tmp}/tagwright-sheet-loads}"
mkdir -p "$scratch"
[ -f "$scratch/wide.xlsx" ] || /usr/bin/python3 "$here/make_hostile_sheets.py" "$scratch"
[ -f "$scratch/large.csv" ] || /usr/bin/python3 "$here/../tests/fixtures/make_fixtures.py" --large "$scratch"
for name in wide.xlsx shared-strings.xlsx big-cell.csv far-corner.xls full-column.xlsx \
            full-column.csv large.xls large.xlsx large.csv; do
    "$bin/sheet_load_peak" "$scratch/$name"
done
