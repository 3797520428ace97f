"""Column values of the spectrum analyser, modelled from its formulas with numpy: frames (8-bit as
bytes, stereo chBoth as the truncated mean), weighting by plain samples or first or second
differences, the integer window table floor(w x 32767 + 0.5) of the float32 window, x = trunc(v x
w / 128 or / 32768), numpy's rfft, each value / (N/2) truncated and held to +-32767, P = re^2 +
im^2, magnitude 16 sqrt P or log units 8192 log2 P less the range bottom, the three decay laws in
float32, the column-to-bin map (linear or logarithmic axis), the fixed-point amplitude tables and
(factor x raw) >> shift. The control is 194 x 89 pixels without bevel. Also the eight spectrogram
palettes and the spectrogram's colour index of a block, and the light organ's band levels."""
import math
import os
import sys

import numpy as np

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
rng = np.random.default_rng(4135)
W, H = 194, 89
SR = 11025
UNITS_PER_DB = 8192 * math.log2(10) / 10
FULL_DB = 20 * math.log10(32768)


def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def window(kind, n, size):
    x, N = float(n), float(size)
    if kind == 1:
        return 0.54 - 0.46 * math.cos(2 * math.pi * x / N)
    if kind == 2:
        return 0.5 - 0.5 * math.cos(2 * math.pi * x / N)
    if kind == 3:
        return 0.42 - 0.5 * math.cos(2 * math.pi * x / N) + 0.08 * math.cos(4 * math.pi * x / N)
    if kind == 4:
        d = 2 * x - N
        return math.exp(-5.0 * d * d / (N * N))
    if kind == 5:
        d = (2 * x - N) / (N + 1)
        return 1 - d * d
    if kind == 6:
        return 1 - abs((2 * x - N) / (N + 1))
    return 1.0


def window_table(kind, size):
    return [int(math.floor(float(np.float32(window(kind, i, size))) * 32767 + 0.5)) for i in range(size)]


def frames(block, n, bits, stereo, channel):
    if bits == 16:
        s = np.frombuffer(block, dtype="<i2").astype(np.int64).tolist()
    else:
        s = list(block)
    if not stereo:
        return s[:n]
    res = []
    for i in range(n):
        l, r = s[2 * i], s[2 * i + 1]
        if channel == 1:
            res.append(l)
        elif channel == 2:
            res.append(r)
        else:
            res.append(tdiv(l + r, 2))
    return res


def transform(block, n, bits, stereo, channel, order, win):
    s = frames(block, n, bits, stereo, channel)
    table = window_table(win, n)
    x = []
    for i in range(n):
        p1 = s[i - 1] if i >= 1 else s[0]
        p2 = s[i - 2] if i >= 2 else s[0]
        if order == 0:
            v = s[i] - 128 if bits == 8 else s[i]
        elif order == 1:
            v = s[i] - p1
        else:
            v = s[i] - 2 * p1 + p2
        x.append(tdiv(v * table[i], 128 if bits == 8 else 32768))
    spec = np.fft.rfft(np.array(x, dtype=np.float64))
    packed = np.zeros(n)
    packed[0] = spec[0].real
    packed[2::2] = spec[1 : n // 2].real
    packed[3::2] = spec[1 : n // 2].imag
    q = np.clip(np.trunc(packed / (n // 2)), -32767, 32767).astype(np.int64)
    return [int(q[2 * b]) ** 2 + int(q[2 * b + 1]) ** 2 for b in range(n // 2)]


def magnitude(p):
    return math.isqrt(p * 256) if p <= 4194304 else math.isqrt(p) * 16


LOG_TABLE = [-131072] + [round(8192 * math.log2(k)) - 32768 for k in range(1, 32)]


def order_of(gain):
    return [0, 0, 1, 1, 2][gain]


def half_of(gain):
    return gain in (1, 3)


def column_map(n, logfreq):
    first = []
    offset = SR / n if logfreq else 0.0
    for c in range(W):
        if not logfreq:
            b = math.floor(n * c / (2.0 * W) + n * offset / SR + 0.01)
        else:
            b = math.floor(0.51 + math.exp(math.log((n + 1) / 2.0) * (c - 0.45) / W) * n * offset / SR) - 1
        first.append(min(max(b, 0), n // 2 - 1))
    end = [0] * W
    for c in range(1, W):
        end[c - 1] = first[c]
    end = [e if e > f + 1 else 0 for e, f in zip(end, first)]
    for c in range(W - 1, 0, -1):
        if first[c] == first[c - 1]:
            first[c], end[c] = -1, 0
    return first, end


def amp_tables(n, first, logamp, gain, vscale, ref):
    order, half = order_of(gain), half_of(gain)
    offsets = [0] * (n // 2)
    if logamp:
        ppu = H / (6 * 10 * UNITS_PER_DB)
        bottom_db = FULL_DB - 60 - 20 * order * math.log10(SR / (2 * math.pi * ref)) if order else FULL_DB - 60
        bottom = bottom_db * UNITS_PER_DB
        shift, f = 0, ppu
        while f < 4096:
            f *= 2
            shift += 1
        scale = [math.floor(ppu * 2**shift + 0.5)] * W
        for i in range(n // 2):
            if half:
                offsets[i] = math.floor(bottom + 0.5 - 10 * UNITS_PER_DB * math.log10(((i + 1) * SR / n) / ref))
            else:
                offsets[i] = math.floor(bottom + 0.5)
        return scale, shift, offsets, ppu
    vf = vscale / 100
    f = H / (math.sqrt(ref) * vf * 32768)
    shift = 4
    if order == 1:
        f = f * SR / (2 * math.pi * ref)
    if order == 2:
        f = f * SR * SR / (4 * math.pi * math.pi * ref * ref)
    if not half:
        f *= math.sqrt(ref)
        while f < 4096:
            f *= 2
            shift += 1
        scale = [math.floor(f + 0.5) if b >= 0 else 0 for b in first]
    else:
        while math.sqrt(SR * 0.5) * f < 4096:
            f *= 2
            shift += 1
        scale = [math.floor(math.sqrt((b + 1) * SR / n) * f + 0.5) if b >= 0 else 0 for b in first]
    return scale, shift, offsets, 0.0


class Decay:
    def __init__(self, decay):
        self.factor = 0.0001
        for _ in range(decay):
            self.factor = math.sqrt(self.factor)
        self.length = min(max((decay - 1) * 2, 1), 32)
        self.pos, self.filled = 0, 0
        self.decayed = np.zeros(2048, dtype=np.float32)
        self.sums = [0] * 2048
        self.hist = [[0] * 2048 for _ in range(32)]

    def apply(self, mode, values):
        f = np.float32(self.factor)
        res = list(values)
        if mode == 1:
            for b, m in enumerate(values):
                self.decayed[b] = np.float32(self.decayed[b] * f)
                if np.float32(m) < self.decayed[b]:
                    res[b] = int(self.decayed[b])
                else:
                    self.decayed[b] = np.float32(m)
        elif mode == 2:
            for b, m in enumerate(values):
                self.decayed[b] = np.float32(np.float32(m) * (np.float32(1) - f) + self.decayed[b] * f)
                res[b] = int(math.floor(self.decayed[b]))
        elif mode == 3:
            self.pos = (self.pos + 1) % self.length
            self.filled = min(self.filled + 1, self.length)
            h = self.hist[self.pos]
            for b, m in enumerate(values):
                self.sums[b] += m - h[b]
                h[b] = m
                res[b] = self.sums[b] // self.filled
        return res


def analyse(case, blocks):
    n, bits, stereo, channel, win, gain, logamp, logfreq, dmode, decay, vscale, ref = case
    first, end = column_map(n, logfreq)
    scale, shift, offsets, ppu = amp_tables(n, first, logamp, gain, vscale, ref)
    dec = Decay(decay)
    for block in blocks:
        powers = transform(block, n, bits, stereo, channel, order_of(gain), win)
        if dmode == 0 and logamp:
            vals = []
            for b, p in enumerate(powers):
                k = 0
                while p > 31:
                    p >>= 1
                    k += 1
                vals.append(max(32768 + 8192 * k + LOG_TABLE[p] - offsets[b], 0))
        else:
            vals = [magnitude(p) for p in powers]
            if dmode:
                vals = dec.apply(dmode, vals)
    firsts, values, best, best_bin = [], [], 0, 0
    for c in range(W):
        if first[c] < 0:
            continue
        stop = end[c] if end[c] else first[c] + 1
        raw, rb = vals[first[c]], first[c]
        for b in range(first[c] + 1, stop):
            if vals[b] > raw:
                raw, rb = vals[b], b
        if dmode == 0 or not logamp:
            v = (scale[c] * raw) >> shift
        elif raw < 1:
            v = 0
        else:
            v = max(math.trunc((math.log(raw * 0.0625) * 2 * 8192 / math.log(2) - offsets[first[c]]) * ppu), 0)
        firsts.append(c)
        values.append(v)
        if v > best:
            best, best_bin = v, rb
    return firsts, values, best_bin


def block_of(signal, bits, stereo, right=None):
    sig = np.asarray(signal)
    if bits == 16:
        a = np.clip(np.round(sig), -32768, 32767).astype("<i2")
        if stereo:
            r = np.clip(np.round(np.asarray(right)), -32768, 32767).astype("<i2")
            a = np.stack([a, r], axis=1).reshape(-1)
        return a.tobytes()
    a = np.clip(np.round(sig / 256 + 128), 0, 255).astype(np.uint8)
    if stereo:
        r = np.clip(np.round(np.asarray(right) / 256 + 128), 0, 255).astype(np.uint8)
        a = np.stack([a, r], axis=1).reshape(-1)
    return a.tobytes()


def signal(kind, n, amp, k):
    t = np.arange(n)
    if kind == "sine":
        return amp * np.sin(2 * np.pi * k * t / n)
    if kind == "between":
        return amp * np.sin(2 * np.pi * (k + 0.5) * t / n)
    if kind == "noise":
        return rng.uniform(-amp, amp, n)
    if kind == "dc":
        return np.full(n, float(amp))
    if kind == "square":
        return np.where(np.sin(2 * np.pi * k * t / n + 0.1) >= 0, amp, -amp)
    return np.zeros(n)


cases = []
kinds = ["sine", "between", "noise", "dc", "square"]
# A broad random sweep of single blocks.
for i in range(160):
    n = 1 << int(rng.integers(3, 13))
    bits = 8 if rng.random() < 0.35 else 16
    stereo = rng.random() < 0.4
    channel = int(rng.integers(0, 2)) if stereo else 0
    kind = kinds[i % len(kinds)]
    amp = float(rng.choice([32767, 20000, 4000, 300]))
    k = int(rng.integers(1, max(2, n // 2 - 1)))
    sig = signal(kind, n, amp, k)
    right = signal("sine", n, amp / 2, max(1, k // 2)) if stereo else None
    blocks = [block_of(sig, bits, stereo, right)]
    case = (n, bits, stereo, channel, int(rng.integers(0, 7)), int(rng.integers(0, 5)),
            bool(rng.random() < 0.5), bool(rng.random() < 0.4), 0, 1,
            int(rng.choice([100, 100, 50, 200])), int(rng.choice([1000, 1000, 440])))
    cases.append((case, blocks, k if kind == "sine" else -1))
# Decay laws over loud-then-silent sequences.
for dmode in (1, 2, 3):
    for decay in (1, 3, 6):
        for logamp in (False, True):
            n = 256
            loud = block_of(signal("sine", n, 20000, 17), 16, False)
            quiet = block_of(signal("sine", n, 3000, 40), 16, False)
            silent = block_of(np.zeros(n), 16, False)
            blocks = [loud, loud, quiet, silent, silent, silent]
            case = (n, 16, False, 0, 1, 0, logamp, False, dmode, decay, 100, 1000)
            cases.append((case, blocks, -1))

with open(os.path.join(out, "cases.txt"), "w") as f:
    for case, blocks, sine_bin in cases:
        n, bits, stereo, channel, win, gain, logamp, logfreq, dmode, decay, vscale, ref = case
        firsts, values, best_bin = analyse(case, blocks)
        f.write(f"case {n} {bits} {int(stereo)} {channel} {win} {gain} {int(logamp)} {int(logfreq)} "
                f"{dmode} {decay} {vscale} {ref} {len(blocks)} {sine_bin}\n")
        for b in blocks:
            f.write(b.hex() + "\n")
        f.write("firsts " + " ".join(map(str, firsts)) + "\n")
        f.write("values " + " ".join(map(str, values)) + "\n")
        f.write(f"bin {best_bin}\n")


# --- the spectrogram -----------------------------------------------------------------------------
def palette(kind):
    res = []
    for i in range(10, 246):
        v = (i - 10) * 256 // 236

        def hsv():
            if v < 64:
                return 0, 4 * v, 255
            if v < 128:
                return 0, 255, 510 - 4 * v
            if v < 192:
                return 4 * v - 510, 255, 0
            return 255, 1020 - 4 * v, 0

        if kind == 0:
            rgb = hsv()
        elif kind == 1:
            rgb = (0, 0, 0) if v < 16 else hsv()
        elif kind == 2:
            rgb = (v, v, v)
        elif kind == 3:
            rgb = (255 - v,) * 3
        elif kind == 4:
            if v < 96:
                rgb = (0.88889 * v, 0.88889 * v, 1.2 * v)
            elif v < 192:
                rgb = (0.88889 * v, 1.2 * v - 29, 0.88889 * v + 29)
            else:
                rgb = (1.2 * v - 60, 0.88889 * v + 29, 0.88889 * v + 29)
        elif kind == 5:
            rgb = (1.23 * v, 0.78 * v, 0.5 * v) if v < 208 else (255, 0.78 * v, 0.5 * v)
        elif kind == 6:
            rgb = (v, 255 - v, 255)
        else:
            if v < 96:
                rgb = (2.66667 * v + 0.5, 0, 0)
            elif v < 192:
                rgb = (255, 2.66667 * v - 254, 0)
            else:
                rgb = (255, 255, 4 * v - 766)
        res.append(tuple(int(c) & 0xFF for c in rgb))
    return res


with open(os.path.join(out, "palettes.txt"), "w") as f:
    for kind in range(8):
        f.write(" ".join("%02x%02x%02x" % c for c in palette(kind)) + "\n")

GH = 90  # the spectrogram's height without bevel


def gram_rows(n, sr=SR, base=0.0, z=1):
    b0 = n * base / sr
    first = [min(max(math.floor(0.01 + b0 + (r / GH) * (n / 2 - z * b0) / z), 0), n // 2 - 1) for r in range(GH)]
    end = [0] * GH
    for r in range(1, GH):
        end[r - 1] = first[r]
    end = [e if e > f + 1 else 0 for e, f in zip(end, first)]
    for r in range(GH - 1, 0, -1):
        if first[r] == first[r - 1]:
            first[r], end[r] = -1, 0
    return first, end


def gram_indexes(block, n, logamp, sens=-90, amp=1.0):
    s = -90 - sens
    res = []
    for p in transform(block, n, 16, False, 0, 0, 1):
        if not logamp:
            res.append(math.trunc(math.sqrt(p) * amp + s) + 10)
        else:
            res.append(math.trunc(math.log(max(p, 1)) * 20 * amp + 2 * s) + 10)
    return res


def gram_column(idx, first, end, emboss=None):
    col, raw, band, r = [0] * GH, [], 0, 0
    while r < GH:
        stop = end[r] if end[r] else first[r] + 1
        v = max(idx[first[r]:stop])
        raw.append(v)
        if emboss is not None:
            e = emboss[band]
            emboss[band] = 10 if band == 0 else raw[band - 1]
            v = e - v + 118
        nxt = r + 1
        while nxt < GH and first[nxt] < 0:
            nxt += 1
        for k in range(r, nxt):
            col[k] = min(max(v, 10), 245)
        r = nxt
        band += 1
    return col


with open(os.path.join(out, "gram.txt"), "w") as f:
    n = 128
    t = np.arange(n)
    blocks = [block_of(6000 * np.sin(2 * np.pi * 10 * t / n) + rng.uniform(-300, 300, n), 16, False),
              block_of(9000 * np.sin(2 * np.pi * 30 * t / n), 16, False)]
    first, end = gram_rows(n)
    for b in blocks:
        f.write(b.hex() + "\n")
    for logamp in (False, True):
        f.write(" ".join(map(str, gram_column(gram_indexes(blocks[0], n, logamp), first, end))) + "\n")
    emboss = [10] * GH
    gram_column(gram_indexes(blocks[0], n, False), first, end, emboss)
    f.write(" ".join(map(str, gram_column(gram_indexes(blocks[1], n, False), first, end, emboss))) + "\n")


# --- the light organ -----------------------------------------------------------------------------
def light_levels(block, n, mode, amp=1.0, gains=(0.05, 0.05, 0.05)):
    vals = [math.trunc(math.sqrt(p) * amp) for p in transform(block, n, 16, False, 0, 0, 1)]
    borders = [0, math.sqrt(150 * 750), math.sqrt(750 * 1750)]
    first = [min(max(round(b / SR * n), 0), n // 2) for b in borders]
    end = [first[1], first[2], n // 2 - 1]
    end = [e if e > f + 1 else 0 for e, f in zip(end, first)]
    for z in (1, 2):
        if first[z] == first[z - 1]:
            first[z], end[z] = -1, 0
    levels = []
    for z in range(3):
        s = 0
        if first[z] >= 0:
            stop = end[z] if end[z] else first[z] + 1
            band = vals[first[z]:stop]
            if len(band) == 1:
                s = band[0]
            elif mode == 1:
                s = max(band)
            elif mode == 2:
                s = (band[0] + sum(band)) // (1 + len(band))
            else:
                s = math.trunc(math.sqrt((band[0] + sum(v * (v + 0.1) for v in band)) / len(band)))
        levels.append(min(max(math.trunc(s * gains[z] * [1, 2, 4][z]), 0), 255))
    return levels


with open(os.path.join(out, "light.txt"), "w") as f:
    for n in (128, 512):
        t = np.arange(n)
        for freq in (150, 750, 1750):
            block = block_of(2500 * np.sin(2 * np.pi * freq * t / SR), 16, False)
            f.write(f"{n} {freq} {block.hex()}")
            for mode in range(3):
                f.write(" " + " ".join(map(str, light_levels(block, n, mode))))
            f.write("\n")
