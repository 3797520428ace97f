"""Lit spots of the level bar, modelled from its formulas: the block's largest absolute level
(8-bit as (byte - 128) x 256, stereo chBoth as the mean, 16-bit toward zero, 8-bit floored), the
gain as v x (Gain + 8) div 8, the dB map round((dB - S) x N / -S) with dB = 20 log10(max(g/32767,
1e-6)) or the linear map round((g - F) x N / (32767 - F)), F = 32767 / 10^(-S/20); round with
ties to even; below 0 is 0, above N is N with a gain overflow. Also the three decay laws over
sequences of levels. N = 100 (a 200 x 17 bar without bevel)."""
import math
import os
import random
import sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
rnd = random.Random(4120)
N = 100


def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def frame(block, i, bits, stereo, channel):
    if bits == 16:
        s = [int.from_bytes(block[2 * k:2 * k + 2], "little", signed=True) for k in range(len(block) // 2)]
        if not stereo:
            return s[i]
        l, r = s[2 * i], s[2 * i + 1]
        return [tdiv(l + r, 2), l, r][channel]
    if not stereo:
        return (block[i] - 128) * 256
    l, r = block[2 * i], block[2 * i + 1]
    return [((l + r) // 2 - 128) * 256, (l - 128) * 256, (r - 128) * 256][channel]


def spots_of(v, gain, logamp, sens):
    g = v * (gain + 8) // 8
    if logamp:
        db = 20 * math.log10(max(g / 32767, 0.000001))
        s = round((db - sens) * N / -sens)
    else:
        f = 32767 / 10 ** (-sens * 0.05)
        s = round((g - f) * N / (32767 - f))
    over = s > N
    return max(0, min(s, N)), over


with open(os.path.join(out, "blocks.txt"), "w") as f:
    for bits in (8, 16):
        for stereo in (0, 1):
            for channel in ((0, 1, 2) if stereo else (0,)):
                for logamp in (1, 0):
                    for gain in (-8, -5, 0, 3, 8, 16, 32):
                        for _ in range(6):
                            samples = rnd.randint(1, 60)
                            sens = rnd.choice([-90, -60, -35, -20, -9])
                            amp = rnd.choice([30, 300, 3000, 12000, 24000, 32767])
                            vals = [max(-32768, min(32767, int(rnd.gauss(0, amp)))) for _ in range(samples * (2 if stereo else 1))]
                            if bits == 16:
                                block = b"".join(v.to_bytes(2, "little", signed=True) for v in vals)
                            else:
                                block = bytes((v >> 8) + 128 for v in vals)
                            level = max(abs(frame(block, i, bits, stereo, channel)) for i in range(samples))
                            spots, gover = spots_of(level, gain, logamp, sens)
                            if level == 0:
                                spots, gover = 0, False  # silence after a reset draws nothing
                            f.write(f"{bits} {stereo} {channel} {logamp} {gain} {sens} {samples} {block.hex()} "
                                    f"{spots} {int(level >= 32767)} {int(gover)}\n")

# Decay laws: levels 1..32767 one after another (16-bit mono, one sample), expected spots.
with open(os.path.join(out, "decay.txt"), "w") as f:
    for mode in (1, 2, 3):
        for decay in (1, 2, 3, 5, 16):
            factor = 0.0001
            for _ in range(decay):
                factor = math.sqrt(factor)
            length = max(1, min(32, (decay - 1) * 2))
            hist = [0] * 32
            filled = index = 0
            decayed = 0.0
            total = 0
            levels = [rnd.choice([rnd.randint(1, 500), rnd.randint(1000, 32767)]) for _ in range(40)]
            result = []
            for v in levels:
                index = (index + 1) % length
                filled = min(filled + 1, length)
                if mode == 1:
                    decayed *= factor
                    if v > decayed:
                        decayed = float(v)
                    else:
                        v = int(decayed)
                elif mode == 2:
                    decayed = decayed * factor + (1 - factor) * v
                    v = math.floor(decayed)
                else:
                    total += v - hist[index]
                    hist[index] = v
                    v = total // filled
                result.append(spots_of(v, 0, 1, -35)[0])
            f.write(f"{mode} {decay} " + " ".join(map(str, levels)) + " | " + " ".join(map(str, result)) + "\n")
