#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A long batch interrupted by kill -9 and resumed, on the simulator: ROWS rows (default 1000),
# killed KILLS times (default 3) at random moments, then resumed to the end. Passes when every row
# is on exactly one tag and the journal says so; the last line says PASS or FAIL. Takes about
# ROWS x 0.2 s.
#   scripts/interrupted_batch.sh [ROWS] [KILLS] [BUILD_DIR]   (default build/dev, after building it)
# BATCH_OPTIONS adds options to the batch, e.g. BATCH_OPTIONS="--verify --unique-tags".
set -euo pipefail
rows=${1:-1000}
kills=${2:-3}
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${3:-$root/build/dev}" && pwd)/bin"
# Simulator state and journal in memory where there is some: every command syncs the state, and
# on a loaded disk the syncs, not the batch, would set the pace.
scratch=$(mktemp -d -p "$([[ -d /dev/shm && -w /dev/shm ]] && echo /dev/shm || echo "${TMPDIR:-/tmp}")")
trap 'status=$?; rm -rf "$scratch"; ((status == 0)) || echo "FAIL: interrupted batch ($rows rows, $kills kills)"' EXIT
export CARDHOST_SIM_DIR="$scratch/sim" XDG_DATA_HOME="$scratch/data" CARDHOST_BACKENDS=sim
sheet="$scratch/rows.csv"
journal="$scratch/journal.csv"
for ((i = 1; i <= rows; i++)); do echo "row $i"; done >"$sheet"

"$bin/cardhost-sim" tag remove --reader SIM-0001
# A spare tag for each interruption: a kill during a write can leave a tag with half a row.
"$bin/cardhost-sim" queue --reader SIM-0001 --count $((rows + kills)) --gap-polls 1 \
    --layout plain >"$scratch/uids"
batch=("$bin/tagwright-cli" --journal "$journal" write text --from-file "$sheet" --resume --auto)
read -r -a extra <<<"${BATCH_OPTIONS:-}"
batch+=("${extra[@]}")

# Each run is killed somewhere in its share of the rows, whatever the pace of the machine: once
# the journal has passed a random record of that share, then a random fraction of a tag later.
share=$((rows / (kills + 1)))
for ((k = 1; k <= kills; k++)); do
    "${batch[@]}" >"$scratch/run$k.log" 2>&1 &
    pid=$!
    target=$(((k - 1) * share + share / 2 + RANDOM % (share / 2 + 1)))
    while kill -0 "$pid" 2>/dev/null &&
        (($([[ -f $journal ]] && wc -l <"$journal" || echo 1) - 1 < target)); do
        sleep 0.2
    done
    sleep "0.$((RANDOM % 10))$((RANDOM % 10))"
    kill -9 "$pid" 2>/dev/null || {
        echo "run $k ended before it was killed:"
        tail -5 "$scratch/run$k.log"
        exit 1
    }
    wait "$pid" 2>/dev/null || true
    echo "killed run $k: $(grep -m1 '^Resume' "$scratch/run$k.log" || echo 'no resume line')"
done
"${batch[@]}" >"$scratch/last.log" 2>&1 || {
    tail -20 "$scratch/last.log"
    exit 1
}
grep -m1 '^Resume' "$scratch/last.log"
tail -1 "$scratch/last.log"

# What the tags hold: the text of the Text record on each (plain layout: the record at byte 16).
while read -r uid; do
    "$bin/cardhost-sim" tag dump "$uid" --hex
done <"$scratch/uids" | /usr/bin/python3 -c '
import sys
rows = int(sys.argv[1])
held = []
for line in sys.stdin:
    memory = bytes.fromhex(line.strip())
    if memory[16] == 0x03 and memory[17] >= 7:
        held.append(memory[25:18 + memory[17]].decode())
expected = ["row %d" % i for i in range(1, rows + 1)]
missing = sorted(set(expected) - set(held))
doubled = sorted({t for t in held if held.count(t) > 1})
print("tags holding a row: %d, distinct rows: %d" % (len(held), len(set(held))))
if missing or doubled or len(held) != rows:
    print("missing:", missing[:10], "written twice:", doubled[:10])
    sys.exit(1)
' "$rows"

summary=$("$bin/tagwright-cli" journal --journal "$journal" --batch "$sheet" --json | grep '"type":"batch"')
echo "journal: $summary"
grep -q "\"rowsWritten\":$rows,\"tags\":$rows,\"lastRow\":$rows" <<<"$summary"
echo "PASS: $rows rows on $rows tags after $kills kills"
