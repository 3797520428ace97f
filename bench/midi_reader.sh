#!/usr/bin/env bash
# The MIDI reader's files per second over the corpus, next to python3-mido on the same files, and
# the time it takes to read a file of 256 tracks of 35,000 tempo changes each (63 MB).
# BENCH_QUICK=1: one round each, and 2,000 tempo changes a track.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
heavy=$(mktemp -d)
trap 'rm -rf "$heavy"; tb_stop_services' EXIT
tb_start_services >/dev/null
corpus="$top/build/corpus/files"
rounds=20 midoRounds=3
[ "${BENCH_QUICK:-0}" = 1 ] && rounds=1 midoRounds=1
wine "$top/build/out/bench/bench_MidiReader.exe" "Z:${corpus//\//\\}" "$rounds" 2>/dev/null
/usr/bin/python3 - "$heavy/tempo.mid" "$([ "${BENCH_QUICK:-0}" = 1 ] && echo 2000 || true)" <<'PY'
import struct, sys
per_track = int(sys.argv[2] or 35000)
# Each a tempo change one tick after the one before; a note closes the first track.
body = b"\x01\xff\x51\x03\x07\xa1\x20" * per_track
with open(sys.argv[1], "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 1, 256, 96))
    for n in range(256):
        t = body + (b"\x00\x90\x3c\x40\x60\x80\x3c\x00" if n == 0 else b"") + b"\x00\xff\x2f\x00"
        f.write(b"MTrk" + struct.pack(">I", len(t)) + t)
PY
echo "tempo-heavy file: $(stat -c %s "$heavy/tempo.mid" | awk '{printf "%.1f", $1 / 1e6}') MB"
wine "$top/build/out/bench/bench_MidiReader.exe" --one "Z:${heavy//\//\\}\\tempo.mid" 2>/dev/null
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
