#!/usr/bin/env bash
# The display FFT's nanoseconds per transform next to numpy's rfft (with Python's call overhead)
# and FFTW called from C (float, one thread, planned once, run natively), with the ratios.
# Usage: bench/fft.sh [runs] -- each side is run that many times (default 3) and its best kept,
# since a shared machine makes single runs noisy. "n/a" where numpy or FFTW is missing.
# BENCH_QUICK=1: one run, with one repetition per length inside it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=3 reps=5
[ "${BENCH_QUICK:-0}" = 1 ] && runs=1 reps=1
runs=${1:-$runs}
source "$top/scripts/env.sh"
out="$top/build/native"
mkdir -p "$out"
fftw=""
if gcc -O2 -Wall -Wextra "$top/bench/host/fftw.c" -lfftw3f -o "$out/bench_fftw" 2>/dev/null; then
  for ((i = 0; i < runs; ++i)); do fftw+="$("$out/bench_fftw")"$'\n'; done
fi
ours=""
for ((i = 0; i < runs; ++i)); do
  ours+="$(WINEDEBUG=-all wine "$top/build/out/bench/bench_fft.exe" "$reps" 2>/dev/null | tr -d '\r')"$'\n'
done
/usr/bin/python3 - "$ours" "$fftw" "$runs" <<'PY'
import sys, timeit

def best_of(text):
    best = {}
    for line in text.splitlines():
        if line.strip():
            n, t = line.split()
            best[int(n)] = min(best.get(int(n), float("inf")), float(t))
    return best

ours, fftw, runs = best_of(sys.argv[1]), best_of(sys.argv[2]), int(sys.argv[3])
try:
    import numpy as np
except ImportError:
    np = None

def numpy_ns(n):
    x = np.random.default_rng(n).uniform(-1, 1, n).astype(np.float32)
    rounds = max(1, (1 << 22) // n // 4)
    return min(timeit.repeat(lambda: np.fft.rfft(x), number=rounds, repeat=5 * runs)) / rounds * 1e9

fmt = lambda v: "n/a" if v is None else f"{v:.0f}"
ratio = lambda a, b: "n/a" if a is None or b is None else f"{a / b:.2f}"
print(f"best of {runs} runs per side")
print(f"{'N':>6} {'ours ns':>9} {'numpy ns':>9} {'fftw ns':>9} {'ours/numpy':>11} {'ours/fftw':>10}")
for n in sorted(ours):
    tn = numpy_ns(n) if np is not None else None
    tf = fftw.get(n)
    print(f"{n:>6} {ours[n]:>9.0f} {fmt(tn):>9} {fmt(tf):>9} {ratio(ours[n], tn):>11} {ratio(ours[n], tf):>10}")
PY
