"""Golden values for the sound components: multiply-divide on random 32-bit triples (from exact
fractions), tick places of scales, and the slider's logarithmic position mapping."""
import math
import os
import random
import sys
from fractions import Fraction

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

I32 = (-2**31, 2**31 - 1)


def fits(v):
    return I32[0] <= v <= I32[1]


def muldiv(a, b, c):
    if c == 0:
        return "fault", "fault"
    x = Fraction(a * b, c)
    trunc = math.trunc(x)
    away = int(math.copysign(math.floor(abs(x) + Fraction(1, 2)), x)) if x != 0 else 0
    return (str(trunc) if fits(trunc) else "fault"), (str(away) if fits(away) else "fault")


rnd = random.Random(4101)
with open(os.path.join(out, "muldiv.txt"), "w") as f:
    for i in range(10000):
        kind = i % 5
        if kind == 0:  # anything
            a, b, c = (rnd.randint(*I32) for _ in range(3))
        elif kind == 1:  # small values: halves and signs
            a, b, c = (rnd.randint(-50, 50) for _ in range(3))
        elif kind == 2:  # quotients near the 32-bit edge
            a = rnd.randint(*I32)
            b = rnd.randint(-4, 4)
            c = rnd.choice([-3, -2, -1, 1, 2, 3])
        elif kind == 3:  # zero divisor now and then
            a, b = rnd.randint(-1000, 1000), rnd.randint(-1000, 1000)
            c = rnd.choice([0, 0, 7, -7])
        else:  # typical scaling
            a, b = rnd.randint(0, 65535), rnd.randint(0, 1000)
            c = rnd.randint(1, 65535)
        t, r = muldiv(a, b, c)
        f.write("%d %d %d %s %s\n" % (a, b, c, t, r))

# Tick places along a scale of a given pixel length (distance from first to last pixel):
# place of tick i = round(i * length / (count - 1)); every enlarge-th tick is long.
with open(os.path.join(out, "scale.txt"), "w") as f:
    for length, count, every, size in [(200, 11, 5, 7), (99, 11, 5, 7), (300, 21, 4, 9),
                                       (57, 7, 3, 6), (1000, 101, 10, 8), (37, 5, 2, 4)]:
        ticks = []
        for i in range(count):
            place = round(i * length / (count - 1))
            ticks.append("%d:%d" % (place, size if i % every == 0 else size // 2))
        f.write("%d %d %d %d %s\n" % (length, count, every, size, " ".join(ticks)))

# Slider positions with the logarithmic mapping, range 0..R and sensitivity -S dB.
with open(os.path.join(out, "sliderlog.txt"), "w") as f:
    for r, s in [(100, 24), (100, 40), (1000, 96), (65535, 60), (10, 20)]:
        for v in sorted(set([1, 2, 3, r // 10, r // 4, r // 3, r // 2, 2 * r // 3, r - 1, r])):
            if v <= 0:
                continue
            thumb = round(r * (20 * math.log10(v / r) + s) / s)
            thumb = max(0, min(r, thumb))
            back = 0
            if thumb != 0:
                back = round(r * 10 ** ((s * thumb / r - s) * 0.05))
                back = max(0, min(r, back))
            f.write("%d %d %d %d %d\n" % (r, -s, v, thumb, back))
