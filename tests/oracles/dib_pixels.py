"""Golden DIB memory for the display pixel routines, written from their description: bottom-up
rows padded to 4 bytes, 8-bit palette indices or 24-bit blue-green-red; a clipping rectangle
whose right column and bottom row lie outside; outcode line clipping whose quotients truncate
toward zero; midpoint line stepping from the left end point; the ellipse walk over the error
b^2 x^2 + a^2 y^2 - a^2 b^2. Each case lists its operations and the whole expected memory."""
import os
import random
import sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
rnd = random.Random(4105)


def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


class Dib:
    def __init__(self, bpp, w, h):
        self.bpp, self.w, self.h = bpp, w, h
        self.bytes = bpp // 8
        self.row = (w * bpp + 31) // 32 * 4
        self.mem = bytearray(self.row * h)
        self.clip = (0, 0, w, h)
        self.pos = (0, 0)
        self.color = 0

    def put(self, x, y, c):
        o = (self.h - 1 - y) * self.row + x * self.bytes
        if self.bytes == 1:
            self.mem[o] = c & 0xFF
        else:
            self.mem[o:o + 3] = bytes([(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF])

    def inside(self, x, y):
        l, t, r, b = self.clip
        return l <= x < r and t <= y < b

    def set_color(self, v):
        self.color = v & 0xFF if self.bpp == 8 else v & 0xFFFFFF

    def clear(self):
        if self.bpp == 8:
            self.mem[:] = bytes([self.color]) * len(self.mem)
        else:
            for y in range(self.h):
                for x in range(self.w):
                    self.put(x, y, self.color)

    def pixel(self, x, y, v):
        if self.inside(x, y):
            self.put(x, y, v)

    def span(self, x1, x2, y):
        for x in range(x1, x2):
            self.put(x, y, self.color)

    def cut_row(self, x1, x2, y):
        l, t, r, b = self.clip
        if y < t or y >= b:
            return None
        x1, x2 = min(x1, x2), max(x1, x2)
        if x2 < l or x1 >= r:
            return None
        return max(x1, l), min(x2, r)

    def cut_col(self, x, y1, y2):
        l, t, r, b = self.clip
        if x < l or x >= r:
            return None
        y1, y2 = min(y1, y2), max(y1, y2)
        if y2 < t or y1 >= b:
            return None
        return max(y1, t), min(y2, b)

    def hline(self, x1, x2, y):
        c = self.cut_row(x1, x2, y)
        if c:
            self.span(c[0], c[1], y)

    def dashed(self, x1, x2, y):
        c = self.cut_row(x1, x2, y)
        if not c or c[1] - c[0] < 4:
            return
        for x in range(c[0], c[1]):
            if (x - c[0]) % 8 < 4:
                self.put(x, y, self.color)

    def hdots(self, x1, x2, y, gap):
        c = self.cut_row(x1, x2, y)
        if c:
            for x in range(c[0], c[1], max(gap, 1) + 1):
                self.put(x, y, self.color)

    def vline(self, x, y1, y2):
        c = self.cut_col(x, y1, y2)
        if c:
            for y in range(c[0], c[1]):
                self.put(x, y, self.color)

    def vdots(self, x, y1, y2, gap):
        c = self.cut_col(x, y1, y2)
        if c:
            for y in range(c[0], c[1], max(gap, 1) + 1):
                self.put(x, y, self.color)

    def column(self, x, y, data):
        if self.bpp != 8 or not data:
            return
        c = self.cut_col(x, y, y + len(data))
        if c:
            for i, row in enumerate(range(c[0], c[1])):
                self.put(x, row, data[i])

    def rect(self, l, t, r, b, dotted=False):
        cl, ct, cr, cb = self.clip
        l, r = max(min(l, r), cl), min(max(l, r), cr)
        t, b = max(min(t, b), ct), min(max(t, b), cb)
        if l >= r or t >= b:
            return
        for y in range(t, b, 2 if dotted else 1):
            for x in range(l, r, 2 if dotted else 1):
                self.put(x, y, self.color)

    def outcode(self, x, y):
        l, t, r, b = self.clip
        c = 0
        if y >= b:
            c |= 1
        elif y < t:
            c |= 2
        if x > r:
            c |= 4
        elif x < l:
            c |= 8
        return c

    def line(self, x1, y1, x2, y2):
        l, t, r, b = self.clip
        while True:
            c1, c2 = self.outcode(x1, y1), self.outcode(x2, y2)
            if c1 & c2:
                return
            if not c1 and not c2:
                break
            if c1:
                x, y, ox, oy, code = x1, y1, x2, y2, c1
            else:
                x, y, ox, oy, code = x2, y2, x1, y1, c2
            dx, dy = ox - x, oy - y
            if code & 1:
                x, y = x + tdiv((b - 1 - y) * dx, dy), b - 1
            elif code & 2:
                x, y = x + tdiv((t - y) * dx, dy), t
            elif code & 4:
                x, y = r, y + tdiv((r - x) * dy, dx)
            else:
                x, y = l, y + tdiv((l - x) * dy, dx)
            if c1:
                x1, y1 = x, y
            else:
                x2, y2 = x, y
        if x1 == x2 and y1 == y2:
            return
        if x1 == x2:
            if x1 < r:
                for y in range(min(y1, y2), max(y1, y2)):
                    self.put(x1, y, self.color)
            return
        if y1 == y2:
            self.span(min(x1, x2), max(x1, x2), y1)
            return
        if x1 > x2:
            x1, y1, x2, y2 = x2, y2, x1, y1
        dx, dy = x2 - x1, y2 - y1
        sy = 1 if dy > 0 else -1
        along_x = dx >= abs(dy)
        big, small = (dx, abs(dy)) if along_x else (abs(dy), dx)
        d, x, y = 2 * small - big, x1, y1
        for _ in range(big):
            if x < r:
                self.put(x, y, self.color)
            if along_x:
                x += 1
                if d >= 0:
                    y += sy
                    d += 2 * small - 2 * big
                else:
                    d += 2 * small
            else:
                y += sy
                if d >= 0:
                    x += 1
                    d += 2 * small - 2 * big
                else:
                    d += 2 * small

    def lineto(self, x, y):
        (px, py), self.pos = self.pos, (x, y)
        self.line(px, py, x, y)

    def copy(self, x, y, w, h, sx, sy):
        if w <= 0 or h <= 0:
            return
        l, t, r, b = self.clip
        if x < l:
            d = l - x
            x, sx, w = x + d, sx + d, w - d
        w = min(w, r - x)
        if y < t:
            d = t - y
            y, sy, h = y + d, sy + d, h - d
        h = min(h, b - y)
        if sx < 0:
            d = -sx
            sx, x, w = 0, x + d, w - d
        w = min(w, self.w - sx)
        if sy < 0:
            d = -sy
            sy, y, h = 0, y + d, h - d
        h = min(h, self.h - sy)
        if w <= 0 or h <= 0:
            return
        src = bytes(self.mem)
        n = w * self.bytes
        for k in range(h):
            so = (self.h - 1 - (sy + k)) * self.row + sx * self.bytes
            do = (self.h - 1 - (y + k)) * self.row + x * self.bytes
            self.mem[do:do + n] = src[so:so + n]

    def ellipse(self, cx, cy, rx, ry):
        a = (rx + 0x8000) % 0x10000 - 0x8000
        b = (ry + 0x8000) % 0x10000 - 0x8000
        if a <= 0 or b <= 0:
            return

        def e(x, y):
            return b * b * x * x + a * a * y * y - a * a * b * b
        spans = []
        x, y = 0, b
        while y >= 0:
            spans.append((cx - x, cx + x, cy - y))
            spans.append((cx - x, cx + x, cy + y))
            d = e(x + 1, y - 1)
            if d >= 0:
                if d + e(x, y - 1) > 0:
                    y -= 1
                else:
                    x, y = x + 1, y - 1
            else:
                if d + e(x + 1, y) > 0:
                    x, y = x + 1, y - 1
                else:
                    x += 1
        for x1, x2, yy in reversed(spans):
            self.hline(x1, x2 + 1, yy)


def run(dib, ops):
    for op in ops:
        name, args = op[0], op[1:]
        if name == "color":
            dib.set_color(args[0])
        elif name == "clear":
            dib.clear()
        elif name == "pixel":
            dib.pixel(*args)
        elif name == "move":
            dib.pos = tuple(args)
        elif name == "lineto":
            dib.lineto(*args)
        elif name == "hline":
            dib.hline(*args)
        elif name == "dash":
            dib.dashed(*args)
        elif name == "hdot":
            dib.hdots(*args)
        elif name == "vline":
            dib.vline(*args)
        elif name == "vdot":
            dib.vdots(*args)
        elif name == "column":
            dib.column(args[0], args[1], bytes.fromhex(args[2]))
        elif name == "rect":
            dib.rect(*args)
        elif name == "rectdot":
            dib.rect(*args, dotted=True)
        elif name == "copy":
            dib.copy(*args)
        elif name == "ellipse":
            dib.ellipse(*args)
        else:
            raise ValueError(name)


W, H = 37, 23
cases = []


def case(bpp, ops, w=W, h=H):
    cases.append((bpp, w, h, [("color", 0 if bpp == 8 else 0x102030), ("clear",)] + ops))


def col(bpp):
    return rnd.randrange(1, 256) if bpp == 8 else rnd.randrange(1, 1 << 24)


# Each routine at its edges, at both depths.
for bpp in (8, 24):
    c1 = 200 if bpp == 8 else 0x3366CC
    case(bpp, [("pixel", W, 3, c1), ("pixel", W - 1, 3, c1), ("pixel", 0, H, c1), ("pixel", -1, 0, c1)])
    case(bpp, [("color", c1), ("move", W, 2), ("lineto", W, 12), ("vline", W, 0, 9),
               ("move", 0, 0), ("lineto", 0, 0)])
    case(bpp, [("color", c1), ("move", W - 3, 5), ("lineto", W + 10, 5)])
    case(bpp, [("color", c1), ("move", 5, 5), ("lineto", 0, 0)])
    case(bpp, [("color", c1), ("dash", 0, 3, 1), ("dash", 0, 10, 2), ("dash", 30, 60, 4),
               ("dash", -20, 5, 6)])
    case(bpp, [("color", c1), ("hdot", 36, -5, 7, 0), ("hdot", 3, 30, 8, 3),
               ("vdot", 4, -10, 40, 2), ("vdot", 36, 20, 0, 1), ("vdot", 37, 0, 10, 1)])
    case(bpp, [("color", c1), ("rectdot", 0, 0, 5, 3), ("rect", 40, 10, 20, 12),
               ("rect", 8, 8, 8, 12), ("rectdot", -5, 30, 6, 14)])
    case(bpp, [("color", c1), ("ellipse", 10, 10, 3, 3), ("ellipse", 30, 2, 8, 5),
               ("ellipse", 5, 20, 0, 4), ("ellipse", 20, 20, 65536 + 3, 2)])
    case(bpp, [("color", c1), ("hline", -100, 100, 0), ("hline", 10, 5, 22), ("hline", 3, 9, 23),
               ("vline", 0, 30, -30), ("vline", -1, 0, 10), ("vline", 12, 5, 5)])
    case(bpp, [("color", c1), ("column", 3, -2, "0102030405"), ("column", 7, 20, "0a0b0c0d"),
               ("column", 37, 0, "ff")])
    case(bpp, [("color", c1), ("rect", 0, 0, 10, 6), ("color", col(bpp)), ("rect", 3, 2, 7, 9),
               ("copy", 2, 1, 10, 8, 0, 0), ("copy", 20, 15, 30, 30, -5, -4),
               ("copy", -3, -3, 8, 8, 30, 17), ("copy", 0, 0, 0, 5, 1, 1)])

# A thousand random lines, inside to far outside, ten to a picture.
ranges = [(0, W), (-5, W + 5), (-100, 100), (-1000000, 1000000), (-40000, 40000)]
for g in range(100):
    bpp = 8 if g % 2 == 0 else 24
    ops = []
    for i in range(10):
        lo, hi = rnd.choice(ranges)
        lo2, hi2 = rnd.choice(ranges)
        ops += [("color", col(bpp)), ("move", rnd.randint(lo, hi), rnd.randint(lo2, hi2)),
                ("lineto", rnd.randint(*rnd.choice(ranges)), rnd.randint(*rnd.choice(ranges)))]
    case(bpp, ops)

# Random uses of the other routines.
for g in range(100):
    bpp = 8 if g % 2 == 0 else 24
    ops = []
    for i in range(8):
        v = lambda: rnd.randint(-10, 45)
        kind = rnd.randrange(10)
        ops.append(("color", col(bpp)))
        if kind == 0:
            ops.append(("hline", v(), v(), v()))
        elif kind == 1:
            ops.append(("dash", v(), v(), v()))
        elif kind == 2:
            ops.append(("hdot", v(), v(), v(), rnd.randint(-1, 4)))
        elif kind == 3:
            ops.append(("vline", v(), v(), v()))
        elif kind == 4:
            ops.append(("vdot", v(), v(), v(), rnd.randint(-1, 4)))
        elif kind == 5:
            ops.append((rnd.choice(["rect", "rectdot"]), v(), v(), v(), v()))
        elif kind == 6:
            ops.append(("copy", v(), v(), rnd.randint(-2, 40), rnd.randint(-2, 30), v(), v()))
        elif kind == 7:
            ops.append(("ellipse", v(), v(), rnd.randint(-2, 30), rnd.randint(-2, 20)))
        elif kind == 8:
            ops.append(("column", v(), v(), bytes(rnd.randrange(256) for _ in range(rnd.randint(1, 30))).hex()))
        else:
            ops.append(("pixel", v(), v(), col(bpp)))
    case(bpp, ops)

with open(os.path.join(out, "cases.txt"), "w") as f:
    for bpp, w, h, ops in cases:
        dib = Dib(bpp, w, h)
        run(dib, ops)
        f.write("case %d %d %d\n" % (bpp, w, h))
        for op in ops:
            f.write(" ".join(str(a) for a in op) + "\n")
        f.write("expect %s\n" % dib.mem.hex())
