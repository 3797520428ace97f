#!/usr/bin/env bash
# The display FFT's nanoseconds per transform next to numpy's rfft and FFTW (pyfftw, float32, one
# thread, planned once), with the ratios; "n/a" where a module is missing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
ours=$(WINEDEBUG=-all wine "$top/build/out/bench/bench_fft.exe" 2>/dev/null | tr -d '\r')
/usr/bin/python3 - "$ours" <<'PY'
import sys, timeit
ours = dict((int(a), float(b)) for a, b in (l.split() for l in sys.argv[1].splitlines() if l.strip()))
try:
    import numpy as np
except ImportError:
    np = None
try:
    import pyfftw
except ImportError:
    pyfftw = None

def best(fn, n):
    rounds = max(1, (1 << 22) // n // 4)
    return min(timeit.repeat(fn, number=rounds, repeat=5)) / rounds * 1e9

fmt = lambda v: "n/a" if v is None else f"{v:.0f}"
ratio = lambda a, b: "n/a" if a is None or b is None else f"{a / b:.2f}"
print(f"{'N':>6} {'ours ns':>9} {'numpy ns':>9} {'fftw ns':>9} {'ours/numpy':>11} {'ours/fftw':>10}")
for n in sorted(ours):
    tn = tf = None
    if np is not None:
        x = np.random.default_rng(n).uniform(-1, 1, n).astype(np.float32)
        tn = best(lambda: np.fft.rfft(x), n)
    if pyfftw is not None and np is not None:
        a = pyfftw.empty_aligned(n, dtype="float32")
        b = pyfftw.empty_aligned(n // 2 + 1, dtype="complex64")
        plan = pyfftw.FFTW(a, b, threads=1)
        a[:] = np.random.default_rng(n).uniform(-1, 1, n)
        tf = best(plan, n)
    print(f"{n:>6} {ours[n]:>9.0f} {fmt(tn):>9} {fmt(tf):>9} {ratio(ours[n], tn):>11} {ratio(ours[n], tf):>10}")
PY
