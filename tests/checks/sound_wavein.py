"""Reads what the recording tests took from the test sound server (a steady 1000 Hz sine at half
of full scale) and checks it with numpy, independently of the program: the frequency by zero
crossings and by the FFT peak (within 0.5 %), the peak (16384 within 1 %), and a sine fitted over
the whole take, whose residual stays under 2 % only when no buffer was lost, doubled or reordered."""
import os
import sys

import numpy as np

root = sys.argv[1]
SETUPS = ["window", "thread", "callback", "mapper", "monitor"]
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


def fit_residual(x, rate, f):
    t = np.arange(len(x)) / rate
    basis = np.column_stack([np.sin(2 * np.pi * f * t), np.cos(2 * np.pi * f * t), np.ones(len(x))])
    coef, *_ = np.linalg.lstsq(basis, x, rcond=None)
    return np.sqrt(np.mean((x - basis @ coef) ** 2)), np.hypot(coef[0], coef[1])


def best_fit(x, rate, f0):
    # Golden-section search of the frequency that fits best around the FFT estimate.
    lo, hi = f0 - 0.5, f0 + 0.5
    g = (np.sqrt(5) - 1) / 2
    a, b = hi - g * (hi - lo), lo + g * (hi - lo)
    fa, fb = fit_residual(x, rate, a)[0], fit_residual(x, rate, b)[0]
    for _ in range(60):
        if fa < fb:
            hi, b, fb = b, a, fa
            a = hi - g * (hi - lo)
            fa = fit_residual(x, rate, a)[0]
        else:
            lo, a, fa = a, b, fb
            b = lo + g * (hi - lo)
            fb = fit_residual(x, rate, b)[0]
    f = (lo + hi) / 2
    res, amp = fit_residual(x, rate, f)
    return f, res, amp


for setup in SETUPS:
    info = {}
    with open(os.path.join(root, setup + ".txt")) as fh:
        for line in fh:
            key, _, value = line.strip().partition(" ")
            info[key] = value
    bits, channels, rate = int(info["bits"]), int(info["channels"]), int(info["rate"])
    sizes = [int(v) for v in info["buffers"].split()]
    raw = open(os.path.join(root, setup + ".raw"), "rb").read()
    check(len(sizes) == 40 and all(s == 2048 for s in sizes), (setup, "buffer sizes", sizes[:3]))
    check(len(raw) == sum(sizes), (setup, "raw length", len(raw)))
    if bits == 8:
        x = (np.frombuffer(raw, dtype=np.uint8).astype(float) - 128) * 256
    else:
        x = np.frombuffer(raw, dtype="<i2").astype(float)
    x = x.reshape(-1, channels)
    for c in range(channels):
        s = x[:, c]
        # Leave out any quiet lead-in before the sine reaches the recorder, and the first 20 ms
        # after it, where the server's resampler still settles from silence (overshoot).
        loud = np.flatnonzero(np.abs(s) > 8000)
        check(loud.size > 0, (setup, c, "silent"))
        if loud.size == 0:
            continue
        s = s[loud[0] + int(0.02 * rate):]
        dur = len(s) / rate
        check(dur > 0.5, (setup, c, "too short", dur))
        signs = np.signbit(s)
        rising = np.flatnonzero(signs[:-1] & ~signs[1:])
        f_zero = (len(rising) - 1) / ((rising[-1] - rising[0]) / rate)
        spec = np.abs(np.fft.rfft(s * np.hanning(len(s))))
        k = int(np.argmax(spec[1:])) + 1
        a, b, g = np.log(spec[k - 1]), np.log(spec[k]), np.log(spec[k + 1])
        f_fft = (k + 0.5 * (a - g) / (a - 2 * b + g)) * rate / len(s)
        peak = np.max(np.abs(s))
        f_fit, res, amp = best_fit(s, rate, f_fft)
        print("%-8s ch%d  zero %.2f Hz  fft %.2f Hz  fit %.3f Hz  peak %.0f  residual %.3f %%"
              % (setup, c, f_zero, f_fft, f_fit, peak, 100 * res / amp))
        check(abs(f_zero - 1000) <= 5, (setup, c, "zero crossings", f_zero))
        check(abs(f_fft - 1000) <= 5, (setup, c, "fft peak", f_fft))
        check(abs(peak - 16384) <= 164, (setup, c, "peak", peak))
        check(res / amp < 0.02, (setup, c, "sine fit residual", res / amp))

if failures:
    for f in failures:
        print("FAILED:", f)
    sys.exit(1)
print("all recordings hold a steady 1000 Hz sine")
