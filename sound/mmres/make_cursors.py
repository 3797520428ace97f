#!/usr/bin/python3
"""Draws the sound library's thirty cursors, MM2001.cur .. MM2030.cur, as 32x32 monochrome
cursors: 2005 is the pointing hand shown over a slider's thumb; the others are cross-hairs
marked with their number in binary, so that each one is told apart. Run it again after
changing a picture."""
import ast
import os
import struct
import sys

# The pointing hand is the program's own, read from the class library's cursor script.
def _program_hand():
    here = os.path.dirname(os.path.abspath(__file__))
    script = os.path.join(here, "..", "..", "classlib", "res", "make_cursors.py")
    with open(script) as f:
        tree = ast.parse(f.read())
    for node in tree.body:
        if isinstance(node, ast.Assign) and getattr(node.targets[0], "id", "") == "HAND":
            return ast.literal_eval(node.value)
    raise SystemExit("no HAND picture in " + script)


HAND = _program_hand()


def cross(number):
    grid = [[" "] * 32 for _ in range(32)]
    for i in range(3, 30):
        grid[16][i] = "X"
        grid[i][16] = "X"
    # The number as five marks under the cross: filled for 1, hollow for 0.
    for bit in range(5):
        x0 = 4 + bit * 5
        on = (number >> (4 - bit)) & 1
        for y in range(24, 28):
            for x in range(x0, x0 + 4):
                edge = y in (24, 27) or x in (x0, x0 + 3)
                grid[y][x] = "X" if edge else ("X" if on else ".")
    return grid, (16, 16)


def hand():
    grid = [[" "] * 32 for _ in range(32)]
    for y, row in enumerate(HAND):
        for x, ch in enumerate(row):
            if ch != " ":
                grid[y][x + 4] = ch
    return grid, (10, 0)


def encode(grid, hotspot):
    # AND 0 / XOR 0 = black; AND 0 / XOR 1 = white; AND 1 / XOR 0 = transparent.
    xor_rows, and_rows = [], []
    for y in range(31, -1, -1):
        xbits, abits = bytearray(4), bytearray(4)
        for x in range(32):
            ch = grid[y][x]
            if ch == ".":
                xbits[x // 8] |= 0x80 >> (x % 8)
            if ch == " ":
                abits[x // 8] |= 0x80 >> (x % 8)
        xor_rows.append(bytes(xbits))
        and_rows.append(bytes(abits))
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    image = header + struct.pack("<II", 0x000000, 0xFFFFFF) + b"".join(xor_rows) + b"".join(and_rows)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, hotspot[0], hotspot[1], len(image), 22)
    return struct.pack("<HHH", 0, 2, 1) + entry + image


here = os.path.dirname(os.path.abspath(sys.argv[0]))
for n in range(1, 31):
    grid, hot = hand() if n == 5 else cross(n)
    with open(os.path.join(here, "MM%d.cur" % (2000 + n)), "wb") as f:
        f.write(encode(grid, hot))
