"""Pictures of the oscilloscope's trace, modelled from its drawing rules: value to row
v = ((s x (Gain + 8)) div 8 + offset) x height div span (divisions toward zero; offset, span
32767, 65535, or 0, 32767 for spikes of absolute values), row = height - 1 - v; effect colour
for v below the lower or above the upper limit (peak: the outer thirds, split: the upper half);
dots, connected lines (ending level one step past the last point), vertical lines from the mid
row, mirrored lines with 5-pixel effect pieces (inward below, outward above), spikes from the
bottom; the dashed mid line and dotted grid first; a disabled scope shows a flat line from x 5
to points - 5. Pixel routines are those of the DIB model (dib_pixels.py). 24-bit bitmaps of
97 x 50 points; each case: its 16-bit mono block and the whole expected DIB memory."""
import importlib.util
import math
import os
import random
import sys
import tempfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
here = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("dib_pixels", os.path.join(here, "dib_pixels.py"))
dib = importlib.util.module_from_spec(spec)
saved = sys.argv
with tempfile.TemporaryDirectory() as scratch:
    sys.argv = [saved[0], scratch]
    spec.loader.exec_module(dib)
sys.argv = saved
rnd = random.Random(4123)

W, H = 97, 50
BLACK, FORE, EFFECT, DISABLED, GRID = 0x000000, 0xFFFF00, 0x0000FF, 0x808080, 0x00FF00


def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def picture(block, kind, effect, gain, steps, midline, grid, enabled):
    d = dib.Dib(24, W, H)
    d.set_color(BLACK)
    d.clear()
    mid = H // 2
    span, off = (32767, 0) if kind == 4 else (65535, 32767)
    lower, upper = 0, 0
    if effect == 1:
        lower = H // 3
        upper = H - lower
    elif effect == 2:
        lower, upper = 0, H // 2

    def v_of(s):
        if kind == 4:
            s = abs(s)
        return tdiv((tdiv(s * (gain + 8), 8) + off) * H, span)

    def color(v):
        return EFFECT if effect and (v < lower or v > upper) else FORE

    def col(x, a, b, c):
        d.set_color(c)
        d.vline(x, min(a, b), max(a, b) + 1)

    if not enabled:
        d.set_color(DISABLED)
        d.hline(5, W - 5, mid)
        return d.mem
    if midline:
        d.set_color(DISABLED)
        d.dashed(0, W, mid)
    if grid:
        d.set_color(GRID)
        div = 10
        while H // div < 10 and div > 2:
            div -= 2
        for k in range(div + 1):
            d.hdots(0, W, H - int(k * 32760 / div / (32768 / H)) - 1, 1)
        n = 32
        while n > 1 and W // n < 10:
            n //= 2
        for k in range(n + 1):
            d.vdots((W - 1) * k // n, 0, H, 1)
    last, last_row, last_color = 0, mid, FORE
    for i in range(0, W, steps):
        v = v_of(block[i])
        r = H - 1 - v
        c = color(v)
        if kind == 0:
            d.pixel(i, r, c)
        elif kind == 1:
            if i == 0:
                d.pos = (0, r)
            else:
                d.set_color(c)
                d.lineto(i, r)
            last, last_row, last_color = i, r, c
        elif kind == 2:
            col(i, mid, r, c)
        elif kind == 3:
            m = 2 * mid - r
            top, bottom = min(r, m), max(r, m)
            col(i, top, bottom, FORE)
            if effect and v < lower:
                col(i, top, top + 4, c)
                col(i, bottom - 4, bottom, c)
            elif effect and v > upper:
                col(i, top - 4, top, c)
                col(i, bottom, bottom + 4, c)
        else:
            col(i, H - 1, r, c)
    if kind == 1:
        d.set_color(last_color)
        d.lineto(last + steps, last_row)
    return d.mem


signals = {
    "sine": [int(round(30000 * math.sin(2 * math.pi * 3 * i / W))) for i in range(W)],
    "square": [(-20000 if (i // 12) % 2 else 26000) for i in range(W)],
    "noise": [rnd.randint(-32768, 32767) for i in range(W)],
}
cases = []
for kind in range(5):
    for effect in range(3):
        for sig in signals:
            cases.append((f"k{kind}e{effect}{sig}", sig, kind, effect, 0, 1, 0, 0, 1))
cases += [
    ("steps3", "sine", 0, 0, 0, 3, 0, 0, 1),
    ("steps3lines", "noise", 1, 1, 0, 3, 0, 0, 1),
    ("midgrid", "sine", 2, 0, 0, 1, 1, 1, 1),
    ("gain", "sine", 3, 1, 16, 1, 0, 0, 1),
    ("disabled", "noise", 0, 0, 0, 1, 0, 0, 0),
]
with open(os.path.join(out, "cases.txt"), "w") as f:
    for name, sig, kind, effect, gain, steps, midline, grid, enabled in cases:
        block = signals[sig]
        with open(os.path.join(out, name + ".blk"), "wb") as b:
            b.write(b"".join(s.to_bytes(2, "little", signed=True) for s in block))
        with open(os.path.join(out, name + ".dib"), "wb") as b:
            b.write(picture(block, kind, effect, gain, steps, midline, grid, enabled))
        f.write(f"{name} {kind} {effect} {gain} {steps} {midline} {grid} {enabled}\n")
