"""Reads the transforms the display tests left (raw float32 input <N>.in and packed output <N>.out
for N = 8 .. 4096) and checks them against FFTW (pyfftw, float32) and numpy, independently of the
program: bin 0 and the re, im pairs of bins 1 .. N/2 - 1, and a zero in the second element."""
import os
import sys

import numpy as np

root = sys.argv[1]
try:
    import pyfftw
except ImportError:
    pyfftw = None
failures = []
sizes = [1 << b for b in range(3, 13)]
for n in sizes:
    pin, pout = os.path.join(root, f"{n}.in"), os.path.join(root, f"{n}.out")
    if not (os.path.exists(pin) and os.path.exists(pout)):
        failures.append(f"{n}: missing")
        continue
    x = np.fromfile(pin, dtype=np.float32)
    y = np.fromfile(pout, dtype=np.float32)
    if len(x) != n or len(y) != n:
        failures.append(f"{n}: sizes {len(x)} {len(y)}")
        continue
    refs = {"numpy": np.fft.rfft(x.astype(np.float64))}
    if pyfftw is not None:
        a = pyfftw.empty_aligned(n, dtype="float32")
        b = pyfftw.empty_aligned(n // 2 + 1, dtype="complex64")
        plan = pyfftw.FFTW(a, b, threads=1)
        a[:] = x
        plan()
        refs["fftw"] = b.astype(np.complex128)
    got = np.concatenate([[y[0]], y[2::2] + 1j * y[3::2]])
    if y[1] != 0:
        failures.append(f"{n}: second element {y[1]}")
    for name, ref in refs.items():
        want = ref[: n // 2]
        err = np.linalg.norm(got - want) / np.linalg.norm(want)
        if err > 2e-6:
            failures.append(f"{n}: {name} relative error {err:.3g}")
if failures:
    print("\n".join(failures))
    sys.exit(1)
print(f"displays_fft: {len(sizes)} transforms agree with numpy" + (" and FFTW" if pyfftw else ""))
