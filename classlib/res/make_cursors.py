#!/usr/bin/python3
"""Draws the program's cursors, "HELP" (arrow with a question mark), "HANDPOINT" (a pointing
hand), "DRAGSINGLE" (arrow with one sheet: one title dragged) and "DRAGMULTI" (arrow with a stack
of three sheets: several titles), as 32x32 monochrome .cur files. Run it again after changing a
picture."""
import struct, sys, os

ARROW = [
    "X",
    "XX",
    "X.X",
    "X..X",
    "X...X",
    "X....X",
    "X.....X",
    "X......X",
    "X.......X",
    "X........X",
    "X.....XXXXX",
    "X..X..X",
    "X.X X..X",
    "XX  X..X",
    "X    X..X",
    "     X..X",
    "      XX",
]
QUESTION = [
    " XXXXX",
    "X.....X",
    "X..X..X",
    " XX..X",
    "   X.X",
    "   X.X",
    "   XXX",
    "   X.X",
    "   XXX",
]
HAND = [
    "     XX",
    "    X..X",
    "    X..X",
    "    X..X",
    "    X..XXX",
    "    X..X..XXX",
    "    X..X..X..XX",
    " XX X..X..X..X.X",
    "X..XX........X..X",
    "X...X...........X",
    " X..............X",
    "  X.............X",
    "  X............X",
    "   X...........X",
    "   X..........X",
    "    X.........X",
    "    X........X",
    "     XXXXXXXXX",
]

SHEET = [
    "XXXXXXXXX",
    "X.......X",
    "X.XXXXX.X",
    "X.......X",
    "X.XXXXX.X",
    "X.......X",
    "X.XXXXX.X",
    "X.......X",
    "XXXXXXXXX",
]


def paste(grid, shape, ox, oy):
    for y, row in enumerate(shape):
        for x, ch in enumerate(row):
            if ch != " ":
                grid[oy + y][ox + x] = ch


def cursor(shapes, hotspot):
    grid = [[" "] * 32 for _ in range(32)]
    for shape, ox, oy in shapes:
        paste(grid, shape, ox, oy)
    # AND mask 0 and XOR 0 = black; AND 0 and XOR 1 = white; AND 1 and XOR 0 = transparent.
    xor_rows, and_rows = [], []
    for y in range(31, -1, -1):  # bottom-up
        xb = ab = 0
        xbits, abits = bytearray(), bytearray()
        for x in range(32):
            ch = grid[y][x]
            xb = (xb << 1) | (1 if ch == "." else 0)
            ab = (ab << 1) | (1 if ch == " " else 0)
            if x % 8 == 7:
                xbits.append(xb)
                abits.append(ab)
                xb = ab = 0
        xor_rows.append(bytes(xbits))
        and_rows.append(bytes(abits))
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<II", 0x000000, 0xFFFFFF)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return struct.pack("<HHH", 0, 2, 1) + entry + image


here = os.path.dirname(os.path.abspath(sys.argv[0]))
with open(os.path.join(here, "Help.cur"), "wb") as f:
    f.write(cursor([(ARROW, 0, 0), (QUESTION, 13, 2)], (0, 0)))
with open(os.path.join(here, "HandPoint.cur"), "wb") as f:
    f.write(cursor([(HAND, 4, 0)], (6, 0)))
with open(os.path.join(here, "DragSingle.cur"), "wb") as f:
    f.write(cursor([(ARROW, 0, 0), (SHEET, 10, 16)], (0, 0)))
with open(os.path.join(here, "DragMulti.cur"), "wb") as f:
    f.write(cursor([(ARROW, 0, 0), (SHEET, 16, 12), (SHEET, 13, 15), (SHEET, 10, 18)], (0, 0)))
