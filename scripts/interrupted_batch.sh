#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A long batch interrupted by kill -9 and resumed, on the simulator: ROWS rows (default 1000),
# killed KILLS times (default 3) at random moments, then resumed to the end. Then two short
# batches on a reader of their own: one whose journal lies on a small filesystem that fills up
# (as root, in a private mount namespace; skipped otherwise), and one whose journal gets a
# record torn inside a quoted cell. Passes when every row is on exactly one tag and the journal
# says so; the last line says PASS or FAIL. Takes about ROWS x 0.2 s + 20 s.
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

# What the tags hold: the text of the Text record on each (plain layout: the record at byte 16),
# each row ROW_TEXT % n on exactly one of the tags listed in UIDS; and the journal says so.
#   check_rows UIDS ROWS ROW_TEXT JOURNAL SHEET
check_rows() {
    local summary
    while read -r uid; do
        "$bin/cardhost-sim" tag dump "$uid" --hex
    done <"$1" | /usr/bin/python3 -c '
import sys
rows = int(sys.argv[1])
held = []
for line in sys.stdin:
    memory = bytes.fromhex(line.strip())
    if memory[16] == 0x03 and memory[17] >= 7:
        held.append(memory[25:18 + memory[17]].decode())
expected = [sys.argv[2] % i for i in range(1, rows + 1)]
missing = sorted(set(expected) - set(held))
doubled = sorted({t for t in held if held.count(t) > 1})
print("tags holding a row: %d, distinct rows: %d" % (len(held), len(set(held))))
if missing or doubled or len(held) != rows:
    print("missing:", missing[:10], "written twice:", doubled[:10])
    sys.exit(1)
' "$2" "$3"
    summary=$("$bin/tagwright-cli" journal --journal "$4" --batch "$5" --json | grep '"type":"batch"')
    echo "journal: $summary"
    grep -q "\"rowsWritten\":$2,\"tags\":$2,\"lastRow\":$2" <<<"$summary"
}
check_rows "$scratch/uids" "$rows" "row %d" "$journal" "$sheet"
echo "the long batch: $rows rows on $rows tags after $kills kills"

# The short batches run on a reader of their own, whose queue holds only their tags.
short=30
"$bin/cardhost-sim" reader add SIM-0002 >/dev/null
# tagwright-cli, a short batch from SHEET into JOURNAL on that reader: short_batch SHEET JOURNAL.
# A batch that starts again at row 1 would wait for tags forever once the queue ran out.
short_batch() {
    timeout -s KILL 60 "$bin/tagwright-cli" --journal "$2" write text --from-file "$1" --resume \
        --auto --reader SIM-0002 "${extra[@]}"
}

# The journal on a filesystem with room for about 15 records: the batch stops at the tag whose
# record found no room ("The batch stopped: ..."), which keeps its row and stays in the field;
# with room again the resumed batch reads it back first and goes on.
if [[ $(id -u) -eq 0 ]] && unshare -m true 2>/dev/null; then
    full_sheet="$scratch/full.csv"
    for ((i = 1; i <= short; i++)); do echo "full $i"; done >"$full_sheet"
    "$bin/cardhost-sim" queue --reader SIM-0002 --count "$short" --gap-polls 1 --layout plain \
        >"$scratch/full-uids"
    mkdir "$scratch/small"
    export -f short_batch
    export bin scratch full_sheet
    extra_words="${extra[*]}" unshare -m bash -c '
        set -u
        read -r -a extra <<<"$extra_words"
        mount -t tmpfs -o size=64k tmpfs "$scratch/small"
        head -c $((60 * 1024)) /dev/zero >"$scratch/small/filler"
        journal="$scratch/small/journal.csv"
        short_batch "$full_sheet" "$journal" >"$scratch/full1.log" 2>&1 && status=0 || status=$?
        grep -m1 "The batch stopped: the journal cannot be written !" "$scratch/full1.log" || {
            tail -5 "$scratch/full1.log"
            exit 1
        }
        ((status == 1)) || { echo "exit status $status, not 1"; exit 1; }
        rm "$scratch/small/filler"
        short_batch "$full_sheet" "$journal" >"$scratch/full2.log" 2>&1 || {
            tail -5 "$scratch/full2.log"
            exit 1
        }
        grep -m1 "^Resume" "$scratch/full2.log"
        cp "$journal" "$scratch/full-journal.csv"
    '
    check_rows "$scratch/full-uids" "$short" "full %d" "$scratch/full-journal.csv" "$full_sheet"
    echo "the batch on a full filesystem: $short rows on $short tags"
else
    echo "SKIPPED: the batch on a full filesystem needs root and unshare -m (a private tmpfs)"
fi

# A record torn inside a quoted cell (the row texts hold a comma) after a kill -9: the resumed
# runs append after it, leave it out with a warning, and still find every record before it.
torn_sheet="$scratch/torn.csv"
torn_journal="$scratch/torn-journal.csv"
for ((i = 1; i <= short; i++)); do echo "\"torn $i, cut\""; done >"$torn_sheet"
# The last tag of a batch gets no success beep (the rows ran out), so it is still in the field.
"$bin/cardhost-sim" tag remove --reader SIM-0002 2>/dev/null || true
"$bin/cardhost-sim" queue --reader SIM-0002 --count $((short + 2)) --gap-polls 1 --layout plain \
    >"$scratch/torn-uids"
# Started without a function around it, so that $! is the program that kill -9 is meant for;
# killed once the journal has RECORDS records: torn_run_killed_after RECORDS LOG
torn_run_killed_after() {
    "$bin/tagwright-cli" --journal "$torn_journal" write text --from-file "$torn_sheet" --resume \
        --auto --reader SIM-0002 "${extra[@]}" >"$2" 2>&1 &
    local pid=$!
    while kill -0 "$pid" 2>/dev/null &&
        (($([[ -f $torn_journal ]] && wc -l <"$torn_journal" || echo 1) - 1 < $1)); do
        sleep 0.2
    done
    kill -9 "$pid" 2>/dev/null || {
        echo "the torn batch ended before it was killed:"
        tail -5 "$2"
        exit 1
    }
    wait "$pid" 2>/dev/null || true
}
torn_run_killed_after $((short / 3)) "$scratch/torn1.log"
# What the dying run had of its next record when it was killed.
printf '%s' "$(date -u +%Y-%m-%dT%H:%M:%S.000Z),SIM-0002,04000000000000,NTAG213,text,write,auto,$torn_sheet,$(sha256sum <"$torn_sheet" | cut -c1-64),$((short + 5)),\"torn $((short + 5)), c" >>"$torn_journal"
# Once runs have appended after the torn record, the journal must still say where the batch is.
torn_run_killed_after $((short * 2 / 3)) "$scratch/torn2.log"
short_batch "$torn_sheet" "$torn_journal" >"$scratch/torn3.log" 2>&1 || {
    tail -20 "$scratch/torn3.log"
    exit 1
}
grep -m1 '^Resume' "$scratch/torn3.log"
grep -m1 'was left out' "$scratch/torn3.log"
check_rows "$scratch/torn-uids" "$short" "torn %d, cut" "$torn_journal" "$torn_sheet"
echo "the batch with a torn record: $short rows on $short tags"
echo "PASS: $rows rows on $rows tags after $kills kills; a full filesystem and a torn record"
