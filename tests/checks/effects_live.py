"""Reads what the live connector test recorded from device 0 (8-bit stereo at 11025 Hz) and, with
numpy and independently of the program, finds the strongest bin of 128-sample frames and the peak
level of each channel, then compares them with what the test logged from its displays."""
import sys

import numpy as np

root = sys.argv[1]
log = dict(line.split() for line in open(root + "/log.txt") if line.strip())
raw = np.frombuffer(open(root + "/take.raw", "rb").read(), dtype=np.uint8).astype(float) - 128
left, right = raw[0::2], raw[1::2]
mono = (left + right) / 2
n = 128
bins = [np.argmax(np.abs(np.fft.rfft(mono[i:i + n]))[1:]) + 1 for i in range(0, len(mono) - n, n)]
common = np.bincount(bins).argmax()
failures = []
if abs(common - int(log["bin"])) > 1:
    failures.append("strongest bin %d, the test saw %s" % (common, log["bin"]))
for name, x in (("left", left), ("right", right)):
    db = 20 * np.log10(np.max(np.abs(x)) / 128)
    print("%s peak %.2f dBFS, logged %s" % (name, db, log[name + "_db"]))
    if abs(db - float(log[name + "_db"])) > 0.5:
        failures.append("%s peak %.2f dBFS, the bar read %s" % (name, db, log[name + "_db"]))
print("strongest bin %d (%.1f Hz)" % (common, common * 11025 / n))
if failures:
    sys.exit("; ".join(failures))
