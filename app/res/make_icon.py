#!/usr/bin/python3
"""Draws the program's icon, Tonalbrook.ico: a white eighth note over a blue brook on a dark green
disc, at 48, 32 and 16 pixels, as 32-bit images with an AND mask. Run it again after changing
the picture."""
import math
import os
import struct
import sys

DISC = (0x1F, 0x5C, 0x3A)      # dark green
RIM = (0x10, 0x33, 0x20)
WATER = (0x3A, 0x8F, 0xE0)     # brook blue
NOTE = (0xFF, 0xFF, 0xFF)


def coverage(size, inside, samples=4):
    """A size x size grid of the fraction (0..1) of each pixel for which inside(x, y) holds, in a
    unit square of coordinates 0..1 (y downwards)."""
    grid = []
    for py in range(size):
        row = []
        for px in range(size):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    hits += 1 if inside(x, y) else 0
            row.append(hits / (samples * samples))
        grid.append(row)
    return grid


def in_disc(x, y):
    return (x - 0.5) ** 2 + (y - 0.5) ** 2 <= 0.47 ** 2


def in_inner(x, y):
    return (x - 0.5) ** 2 + (y - 0.5) ** 2 <= 0.43 ** 2


def in_brook(x, y):
    # Two wavy bands across the lower half.
    for base in (0.70, 0.82):
        centre = base + 0.035 * math.sin(x * 2 * math.pi * 1.5)
        if abs(y - centre) <= 0.035:
            return in_inner(x, y)
    return False


def in_note(x, y):
    # Head: a tilted ellipse; stem: a bar; flag: a curved band from the stem's top.
    hx, hy = x - 0.40, y - 0.60
    c, s = math.cos(-0.45), math.sin(-0.45)
    ex, ey = hx * c - hy * s, hx * s + hy * c
    if (ex / 0.115) ** 2 + (ey / 0.08) ** 2 <= 1:
        return True
    if 0.475 <= x <= 0.53 and 0.18 <= y <= 0.60:
        return True
    # Flag: a band that leaves the stem's top and sweeps down to the right, thinning out.
    t = (y - 0.18) / 0.32
    if 0 <= t <= 1:
        right = 0.53 + 0.17 * math.sin(math.pi * 0.85 * t)
        left = right - (0.10 * (1 - t) + 0.025)
        return max(left, 0.50) <= x <= right
    return False


def blend(under, over, amount):
    return tuple(round(u + (o - u) * amount) for u, o in zip(under, over))


def note_pixels(size):
    """The program's picture: rows top-down of (b, g, r, a)."""
    disc = coverage(size, in_disc)
    inner = coverage(size, in_inner)
    brook = coverage(size, in_brook)
    note = coverage(size, in_note)
    pixels = []  # rows top-down of (b, g, r, a)
    for y in range(size):
        row = []
        for x in range(size):
            colour = blend(RIM, DISC, inner[y][x])
            colour = blend(colour, WATER, brook[y][x])
            colour = blend(colour, NOTE, note[y][x])
            alpha = round(255 * disc[y][x])
            row.append((colour[2], colour[1], colour[0], alpha))
        pixels.append(row)
    return pixels


def image(size, paint):
    """One icon image: a 32-bit picture with its AND mask."""
    pixels = paint(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes(v for px in pixels[y] for v in px) for y in range(size - 1, -1, -1))
    mask_stride = ((size + 31) // 32) * 4
    and_rows = []
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(size):
            if pixels[y][x][3] < 128:  # transparent where the disc does not reach
                bits[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(bytes(bits))
    return header + xor + b"".join(and_rows)


def icon_file(sizes, paint=note_pixels):
    images = [image(s, paint) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(sys.argv[0]))
    with open(os.path.join(here, "Tonalbrook.ico"), "wb") as f:
        f.write(icon_file([48, 32, 16]))
