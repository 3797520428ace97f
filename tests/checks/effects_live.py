"""Reads what a live visual-effects test recorded from device 0 (8-bit stereo at 11025 Hz) and,
with numpy and independently of the program, finds the most common strongest frequency of
128-sample frames and the typical block peak of each channel, then compares them with what the test
logged from its displays (within one bin, and within 0.5 dB)."""
import sys

import numpy as np


def check(root):
    log = dict(line.split() for line in open(root + "/log.txt") if line.strip())
    rate = int(log["rate"])
    raw = np.frombuffer(open(root + "/take.raw", "rb").read(), dtype=np.uint8).astype(float) - 128
    left, right = raw[0::2], raw[1::2]
    mono = (left + right) / 2
    n = 128
    bins = [np.argmax(np.abs(np.fft.rfft(mono[i:i + n]))[1:]) + 1
            for i in range(0, len(mono) - n, n)]
    common = np.bincount(bins).argmax()
    width = rate / n
    failures = []
    print("strongest frequency %.1f Hz (bin %d), logged %s" % (common * width, common, log["freq"]))
    if abs(common * width - float(log["freq"])) > width:
        failures.append("strongest %.1f Hz, the test saw %s" % (common * width, log["freq"]))
    for name, x in (("left", left), ("right", right)):
        # The typical peak of a 128-sample block, as the test reads the bars' typical value: one
        # glitched buffer must not stand for the level.
        peaks = [np.max(np.abs(x[i:i + n])) for i in range(0, len(x) - n, n)]
        db = 20 * np.log10(np.median(peaks) / 128)
        print("%s peak %.2f dBFS, logged %s" % (name, db, log[name + "_db"]))
        if abs(db - float(log[name + "_db"])) > 0.5:
            failures.append("%s peak %.2f dBFS, the bar read %s" % (name, db, log[name + "_db"]))
    if failures:
        sys.exit("; ".join(failures))


if __name__ == "__main__":
    check(sys.argv[1])
