#!/usr/bin/env bash
# A long batch interrupted by kill -9 and resumed, on the simulator: ROWS rows (default 1000),
# killed KILLS times (default 3) at random moments, then resumed to the end. Passes when every row
# is on exactly one tag and the journal says so. Takes about ROWS x 0.25 s.
#   scripts/interrupted_batch.sh [ROWS] [KILLS]     (after a dev build: cmake --build --preset dev)
set -euo pipefail
rows=${1:-1000}
kills=${2:-3}
bin="$(cd "$(dirname "$0")/.." && pwd)/build/dev/bin"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export CARDHOST_SIM_DIR="$scratch/sim" XDG_DATA_HOME="$scratch/data" CARDHOST_BACKENDS=sim
sheet="$scratch/rows.csv"
journal="$scratch/journal.csv"
for ((i = 1; i <= rows; i++)); do echo "row $i"; done >"$sheet"

"$bin/cardhost-sim" tag remove --reader SIM-0001
# A spare tag for each interruption: a kill during a write can leave a tag with half a row.
"$bin/cardhost-sim" queue --reader SIM-0001 --count $((rows + kills)) --gap-polls 1 \
    --layout plain >"$scratch/uids"
batch=("$bin/tagwright-cli" --journal "$journal" write text --from-file "$sheet" --resume --auto)

# Each run gets a share of the whole batch's time, and is killed somewhere inside it.
share=$((rows / (kills + 1) / 4 + 1))
for ((k = 1; k <= kills; k++)); do
    "${batch[@]}" >"$scratch/run$k.log" 2>&1 &
    pid=$!
    sleep $((share / 2 + RANDOM % share))
    kill -9 "$pid"
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
