"""Reference transforms and windows for the display FFT, from numpy alone. For every N = 4 ..
65536 and five inputs (random, a sine on a bin, a sine between bins, DC, an impulse), the float32
input and numpy's rfft of it (computed in float64) packed as the displays read it: bin 0, then 0,
then re, im of bins 1 .. N/2 - 1. For the random input also irfft of that packing (bin N/2 as 0),
the expected inverse. The windows are evaluated in numpy longdouble from their formulas (periodic
cosine windows, pi to extended precision) and rounded to float32; the integer tables as
floor(v x 32767 + 0.5) of the float32 value."""
import os
import sys

import numpy as np

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
rng = np.random.default_rng(4122)
KINDS = ["random", "onbin", "offbin", "dc", "impulse"]

for bits in range(2, 17):
    n = 1 << bits
    t = np.arange(n)
    k = max(1, n // 7)
    inputs = {
        "random": rng.uniform(-1.0, 1.0, n),
        "onbin": np.sin(2 * np.pi * k * t / n) * 0.75,
        "offbin": np.sin(2 * np.pi * (k + 0.37) * t / n) * 20000.0,
        "dc": np.full(n, -0.3125),
        "impulse": (t == (n // 3)).astype(np.float64) * 5.0,
    }
    for name in KINDS:
        x = inputs[name].astype(np.float32)
        spec = np.fft.rfft(x.astype(np.float64))
        packed = np.zeros(n)
        packed[0] = spec[0].real
        packed[2::2] = spec[1 : n // 2].real
        packed[3::2] = spec[1 : n // 2].imag
        x.tofile(os.path.join(out, f"{n}_{name}.in"))
        packed.tofile(os.path.join(out, f"{n}_{name}.ref"))
        if name == "random":
            full = np.concatenate([[packed[0]], packed[2::2] + 1j * packed[3::2], [0.0]])
            np.fft.irfft(full, n).tofile(os.path.join(out, f"{n}_{name}.inv"))

pi = np.arccos(np.longdouble(-1))


def window(kind, n, size):
    x = np.longdouble(n)
    N = np.longdouble(size)
    one = np.longdouble(1)
    if kind == 1:
        return np.longdouble("0.54") - np.longdouble("0.46") * np.cos(2 * pi * x / N)
    if kind == 2:
        return np.longdouble("0.5") - np.longdouble("0.5") * np.cos(2 * pi * x / N)
    if kind == 3:
        return (np.longdouble("0.42") - np.longdouble("0.5") * np.cos(2 * pi * x / N)
                + np.longdouble("0.08") * np.cos(4 * pi * x / N))
    if kind == 4:
        d = 2 * x - N
        return np.exp(np.longdouble("-5.0") * d * d / (N * N))
    if kind == 5:
        d = (2 * x - N) / (N + one)
        return one - d * d
    if kind == 6:
        return one - abs((2 * x - N) / (N + one))
    return one


with open(os.path.join(out, "windows.txt"), "w") as f:
    for kind in range(8):
        for bits in range(1, 13):
            size = 1 << bits
            vals = np.array([window(kind, i, size) for i in range(size)], dtype=np.longdouble)
            single = vals.astype(np.float32)
            table = np.floor(single.astype(np.float64) * 32767 + 0.5).astype(np.int64)
            f.write(f"{kind} {bits} " + " ".join(f"{v.view(np.uint32):08x}" for v in single))
            f.write(" | " + " ".join(str(v) for v in table) + "\n")
