#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# What a long journal costs a batch before its first tag: tagwright-cli --resume on a journal of
# RECORDS records (default 200,000: a year of a line's earlier batches, and this batch's first
# 100 rows), and the journal command over the same file. Prints, for each, the wall time, the
# peak resident memory, and for the batch the time until its first tag was written.
#   bench/measure_resume.py [BIN_DIR] [RECORDS]      (default build/bench/bin)
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
bin_dir = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "build", "bench", "bin"))
records = int(sys.argv[2]) if len(sys.argv) > 2 else 200_000
columns = ("time,reader,uid,model,panel,operation,mode,batch_file,batch_sha256,row,message,"
           "ndef_sha256,encryption,key_fingerprint,lock,result,failure,status_code,duration_ms")
written = 100  # rows of this batch already in the journal

scratch = tempfile.mkdtemp(prefix="tagwright-resume-", dir="/dev/shm" if os.access("/dev/shm", os.W_OK) else None)
env = dict(os.environ, CARDHOST_SIM_DIR=os.path.join(scratch, "sim"), CARDHOST_BACKENDS="sim",
           XDG_DATA_HOME=os.path.join(scratch, "data"))
sheet = os.path.join(scratch, "rows.csv")
with open(sheet, "w") as out:
    out.writelines("row %d\n" % i for i in range(1, 2 * written + 1))
sheet_sha = hashlib.sha256(open(sheet, "rb").read()).hexdigest()
earlier = os.path.join(scratch, "earlier.csv")
earlier_sha = hashlib.sha256(b"an earlier batch").hexdigest()

journal = os.path.join(scratch, "journal.csv")
with open(journal, "w", newline="") as out:
    out.write(columns + "\r\n")
    for n in range(records):
        ours = n >= records - written
        row = n - (records - written) + 1 if ours else n + 1
        out.write("2026-%02d-%02dT08:%02d:%02d.%03dZ,SIM-0001,04%012X,NTAG213,text,write,auto,%s,%s,"
                  "%d,row %d,%s,off,,off,success,,,%d\r\n"
                  % (1 + n % 12, 1 + n % 28, n % 60, n % 60, n % 1000, n, sheet if ours else earlier,
                     sheet_sha if ours else earlier_sha, row, row,
                     hashlib.sha256(b"%d" % n).hexdigest(), 40 + n % 50))
size = os.path.getsize(journal)

cli = os.path.join(bin_dir, "tagwright-cli")
sim = os.path.join(bin_dir, "cardhost-sim")
# The first use of the simulator makes SIM-0001 with a factory-fresh NTAG213 in its field.
subprocess.run([sim, "readers"], env=env, check=True, stdout=subprocess.DEVNULL)


def measure(words, first_line=None):
    """Wall time, the time until a line containing first_line appeared, and the peak RSS (MB)."""
    start = time.monotonic()
    first = None
    process = subprocess.Popen([cli] + words, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               text=True)
    output = []
    for line in process.stdout:
        output.append(line)
        if first is None and first_line and first_line in line:
            first = time.monotonic() - start
    _, status, usage = os.wait4(process.pid, 0)
    process.stdout.close()
    wall = time.monotonic() - start
    if status != 0:
        shutil.rmtree(scratch)
        sys.exit("%s failed:\n%s" % (" ".join(words), "".join(output[-10:])))
    return wall, first, usage.ru_maxrss / 1024.0, output


wall, first, peak, output = measure(["--journal", journal, "write", "text", "--from-file", sheet, "--resume",
                                     "--auto", "--count", "1"], "Write data succeed")
resume_line = next((line.strip() for line in output if line.startswith("Resume")), "no resume line")
print("journal: %d records, %.1f MB" % (records, size / 1e6))
print("--resume, one tag: first tag written after %.2f s, wall %.2f s, peak RSS %.1f MB" % (first or -1, wall, peak))
print("  " + resume_line)
wall, _, peak, _ = measure(["journal", "--journal", journal, "--batch", sheet, "--json"])
print("journal --batch --json: wall %.2f s, peak RSS %.1f MB" % (wall, peak))
shutil.rmtree(scratch)
