#!/usr/bin/env bash
# The MIDI reader's files per second over the corpus, next to python3-mido on the same files.
# BENCH_QUICK=1: one round each.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
trap tb_stop_services EXIT
tb_start_services >/dev/null
corpus="$top/build/corpus/files"
rounds=20 midoRounds=3
[ "${BENCH_QUICK:-0}" = 1 ] && rounds=1 midoRounds=1
wine "$top/build/out/bench/bench_MidiReader.exe" "Z:${corpus//\//\\}" "$rounds" 2>/dev/null
/usr/bin/python3 - "$corpus" "$midoRounds" <<'PY'
import os, sys, time, mido
root, rounds = sys.argv[1], int(sys.argv[2])
files = [os.path.join(d, n) for d, _, ns in os.walk(root) for n in ns]
t = time.perf_counter()
for _ in range(rounds):
    for f in files:
        try:
            mido.MidiFile(f).length
        except Exception:
            pass
secs = time.perf_counter() - t
print(f"mido:   {len(files)} files x {rounds} rounds in {secs:.3f} s: {len(files) * rounds / secs:.0f} files/s")
PY
