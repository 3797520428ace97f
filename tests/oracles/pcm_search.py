"""Golden answers of the trigger search and the per-channel extreme search on random PCM
buffers, computed with numpy from the format rules: thresholds 128 + round(level x 1.27) (ties
to even) for 8-bit and level x 327 for 16-bit data, whole frames only, the last sample never
ending a crossing; extremes from frame 0 with the first occurrence winning."""
import os
import random
import sys

import numpy as np

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
rnd = random.Random(4108)


def samples(data, bits, channels):
    size = bits // 8 * channels
    frames = len(data) // size
    raw = data[:frames * size]
    if bits == 8:
        arr = np.frombuffer(raw, dtype=np.uint8).astype(np.int64)
    else:
        arr = np.frombuffer(raw, dtype="<i2").astype(np.int64)
    return arr.reshape(frames, channels)


def trigger(data, bits, channels, level, mode, channel):
    if mode not in (1, 2) or len(data) == 0:
        return -1
    arr = samples(data, bits, channels)
    frames = arr.shape[0]
    if frames < 3:
        return -1
    if mode == 2:
        level = -level
    thr = 128 + int(np.round(level * 1.27)) if bits == 8 else level * 327
    a = arr[:frames - 2]
    b = arr[1:frames - 1]
    if mode == 1:
        hit = (thr > a) & (thr <= b)
    else:
        hit = (thr < a) & (thr >= b)
    if channels == 2 and channel == 1:
        hit[:, 1] = False
    elif channels == 2 and channel == 2:
        hit[:, 0] = False
    flat = np.flatnonzero(hit.reshape(-1))
    if flat.size == 0:
        return -1
    k = int(flat[0])
    frame, side = divmod(k, channels)
    return (frame + 1) * (bits // 8 * channels) + side * (bits // 8)


def extremes(data, bits, channels):
    arr = samples(data, bits, channels)
    bias = 128 if bits == 8 else 0
    start = 127 if bits == 8 else 32767
    result = []
    for c in range(channels):
        col = arr[:, c] - bias
        mn, mn_at, mx, mx_at = start, 0, -start, 0
        if col.size and col.min() < start:
            mn, mn_at = int(col.min()), int(np.argmin(col))
        if col.size and col.max() > -start:
            mx, mx_at = int(col.max()), int(np.argmax(col))
        if mx_at < mn_at:
            mn, mx = mx, mn
        result += [mn + bias, mx + bias]
    if channels == 1:
        result += result
    return result


def make(bits, channels, nbytes):
    kind = rnd.randrange(4)
    n = nbytes // (bits // 8) + 1
    if kind == 0:  # anything
        vals = [rnd.randrange(256) for _ in range(n)] if bits == 8 else \
            [rnd.randrange(-32768, 32768) for _ in range(n)]
    else:  # a noisy sine, sometimes clipped at full scale
        amp = rnd.uniform(0.05, 1.3)
        step = rnd.uniform(0.01, 0.9)
        phase = rnd.uniform(0, 6.3)
        t = np.arange(n)
        v = amp * np.sin(phase + step * t) + rnd.uniform(0, 0.2) * np.array(
            [rnd.uniform(-1, 1) for _ in range(n)])
        if kind == 3:  # flat stretches at one value
            v = np.round(v * 4) / 4
        if bits == 8:
            vals = list(np.clip(np.round(128 + 127 * v), 0, 255).astype(int))
        else:
            vals = list(np.clip(np.round(32767 * v), -32768, 32767).astype(int))
    if bits == 8:
        raw = bytes(int(x) for x in vals)
    else:
        raw = np.array(vals, dtype="<i2").tobytes()
    return raw[:nbytes]


with open(os.path.join(out, "search.txt"), "w") as f:
    for i in range(2000):
        bits = rnd.choice([8, 16])
        channels = rnd.choice([1, 2])
        nbytes = rnd.choice([0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13]) if i % 10 == 0 else \
            rnd.randrange(0, 700)
        data = make(bits, channels, nbytes)
        level = rnd.choice([0, 50, -50, 100, -100, 1, -1]) if i % 3 == 0 else rnd.randint(-100, 100)
        mode = rnd.choice([0, 1, 2, 1, 2])
        channel = rnd.choice([0, 1, 2])
        t = trigger(data, bits, channels, level, mode, channel)
        mm = extremes(data, bits, channels)
        f.write("%d %d %d %d %d %d %d %d %d %d %s\n" % (
            bits, channels, level, mode, channel, t, mm[0], mm[1], mm[2], mm[3],
            data.hex() if data else "-"))
