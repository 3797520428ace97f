#!/usr/bin/python3
"""Draws the bitmap menus' own pictures as 16-colour 16x16 .bmp files: the check and radio marks
("BMP_CHECK", "BMP_RADIO", on the marks' transparent colour $000080), the menu cursor
("CUR_MENU", 32x32 monochrome .cur) and the main window's menu pictures (app/res/menu/, each on
the transparent colour of its bottom-left pixel). Run it again after changing a picture."""
import os, struct, sys

HERE = os.path.dirname(os.path.abspath(__file__))
APP = os.path.join(HERE, "..", "..", "app", "res", "menu")

# The 16 colours of the standard VGA palette, as (r, g, b).
PAL = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
       (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# Letters of the pictures below -> palette index; "." is the background colour given.
INK = {"k": 0, "r": 1, "g": 2, "o": 3, "n": 4, "p": 5, "t": 6, "s": 7, "d": 8, "R": 9, "G": 10,
       "Y": 11, "B": 12, "M": 13, "C": 14, "w": 15}


def bmp16(rows, back):
    """rows: 16 strings of 16 letters; back: the palette index of '.'."""
    width = height = 16
    stride = 8  # 16 pixels at 4 bits, already a multiple of 4 bytes
    pixels = b""
    for row in reversed(rows):  # bottom-up
        row = (row + "." * 16)[:16]
        idx = [back if ch in ". " else INK[ch] for ch in row]
        pixels += bytes((idx[i] << 4) | idx[i + 1] for i in range(0, 16, 2))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PAL)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + palette + pixels


def cur32(rows, hot):
    """A monochrome 32x32 cursor: X black, . white, anything else transparent."""
    xor_rows, and_rows = [], []
    for y in range(32):
        row = rows[y] if y < len(rows) else ""
        row = (row + " " * 32)[:32]
        xb = ab = 0
        for x, ch in enumerate(row):
            bit = 1 << (31 - x)
            if ch == ".":
                xb |= bit
            elif ch != "X":
                ab |= bit
        xor_rows.append(struct.pack(">I", xb))
        and_rows.append(struct.pack(">I", ab))
    xor = b"".join(reversed(xor_rows))
    andm = b"".join(reversed(and_rows))
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 2)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = info + palette + xor + andm
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, hot[0], hot[1], len(image), 6 + 16)
    return head + entry + image


CHECK = ["", "", "", "            k", "           kk", "          kkk", "  k      kkk",
         "  kk    kkk", "  kkk  kkk", "   kkkkkk", "    kkkk", "     kk", "", "", "", ""]
RADIO = ["", "", "", "", "", "      kkkk", "     kkkkkk", "     kkkkkk", "     kkkkkk",
         "     kkkkkk", "      kkkk", "", "", "", "", ""]
MENU_CURSOR = ["X", "XX", "X.X", "X..X", "X...X", "X....X", "X.....X", "X......X", "X.......X",
               "X....XXXXX", "X..X..X", "X.X X..X  XXXXXXXX", "XX  X..X  X......X",
               "     X..X X.XXXX.X", "      XX  X......X", "          X.XXX..X",
               "          X......X", "          X.XXXX.X", "          X......X",
               "          XXXXXXXX"]

# The main window's menu pictures, by name.
PICTURES = {
    "file": ["  dddddddd", "  dwwwwwdwd", "  dwwwwwdwwd", "  dwkkkwddddd", "  dwwwwwwwwwd",
             "  dwkkkkkkwwd", "  dwwwwwwwwwd", "  dwkkkkkkwwd", "  dwwwwwwwwwd", "  dwkkkkkwwwd",
             "  dwwwwwwwwwd", "  dwwwwwwwwwd", "  ddddddddddd"],
    "exit": ["", "  ddddddd", "  dooooodd", "  doooood d", "  doooood  d    R", "  dooYood  d   RR",
             "  doooood  d RRRRRR", "  doooood  d   RR", "  doooood  d    R", "  doooood  d",
             "  dooooodd", "  ddddddd"],
    "view": ["", "", "", "     kkkkkk", "   kkwwwwwwkk", "  kwwwnnnnwwwk", " kwwwnnkknnwwwk",
             " kwwwnnkknnwwwk", "  kwwwnnnnwwwk", "   kkwwwwwwkk", "     kkkkkk"],
    "album": ["", "     dddddd", "   ddssssssdd", "  dsswwsssssd", "  dswwsssssssd",
              " dssssskksssssd", " dsssskwwksssd", " dsssskwwksssd", " dssssskksssssd",
              "  dsssssssssd", "  dsssssssssd", "   ddssssssdd", "     dddddd"],
    "category": ["", "", "  ooooo", " oYYYYYo", " oYYYYYoooooooo", " oYYYYYYYYYYYYo",
                 " oYYYYYYYYYYYYo", " oYYYYYYYYYYYYo", " oYYYYYYYYYYYYo", " oYYYYYYYYYYYYo",
                 " oYYYYYYYYYYYYo", " oooooooooooooo"],
    "title": ["", "        nnnnnn", "        nnnnnn", "        n    n", "        n    n",
              "        n    n", "        n    n", "        n    n", "     nnnn nnnn", "    nnnnnnnnnn",
              "    nnnnnnnnnn", "     nnnn nnnn"],
    "program": ["", "  GG kkkkkkkkk", "  GG", "", "  GG kkkkkkkkk", "  GG", "",
                "  GG kkkkkkkkk", "  GG", "", "  GG kkkkkkkkk", "  GG"],
    "options": ["", "      kk", "   k kssk k", "   kkssssskk", "    kssdsssk", "  kksssddsskk",
                "  ksssdwwdsssk", "  ksssdwwdsssk", "  kksssddsskk", "    ksssssk",
                "   kkssssskk", "   k kssk k", "      kk"],
    "help": ["", "     nnnnn", "    nn   nn", "    nn   nn", "         nn", "        nn",
             "       nn", "       nn", "       nn", "", "       nn", "       nn"],
    "play": ["", "   kk", "   kGkk", "   kGGGkk", "   kGGGGGkk", "   kGGGGGGGkk", "   kGGGGGGGGGk",
             "   kGGGGGGGkk", "   kGGGGGkk", "   kGGGkk", "   kGkk", "   kk"],
    "sort": ["", "   B        R", "  BBB       R", " BBBBB      R", "   B        R", "   B        R",
             "   B        R", "   B        R", "   B      RRRRR", "   B       RRR", "   B        R"],
    "color": ["", "", " RRRR GGGG", " RRRR GGGG", " RRRR GGGG", " RRRR GGGG", "",
              " BBBB YYYY", " BBBB YYYY", " BBBB YYYY", " BBBB YYYY"],
    "mail": ["", "", "", " kkkkkkkkkkkkk", " kwkwwwwwwwkwk", " kwwkwwwwwkwwk", " kwwwkwwwkwwwk",
             " kwwwwkwkwwwwk", " kwwwwwkwwwwwk", " kwwwwwwwwwwwk", " kkkkkkkkkkkkk"],
}
BACK = 13  # magenta: each menu picture's transparent colour (its bottom-left pixel)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    write(os.path.join(HERE, "MenuCheck.bmp"), bmp16(CHECK, 1))
    write(os.path.join(HERE, "MenuRadio.bmp"), bmp16(RADIO, 1))
    write(os.path.join(HERE, "MenuCursor.cur"), cur32(MENU_CURSOR, (0, 0)))
    os.makedirs(APP, exist_ok=True)
    lines = ["// The main window's menu pictures (16-colour 16x16), drawn by",
             "// controls/res/make_menu_images.py. (File names stay unquoted for windres.)", ""]
    for name, rows in sorted(PICTURES.items()):
        rows = (rows + [""] * 16)[:16]
        write(os.path.join(APP, name + ".bmp"), bmp16(rows, BACK))
        lines.append("MNU_%s BITMAP res/menu/%s.bmp" % (name.upper(), name))
    write(os.path.join(HERE, "..", "..", "app", "MenuImages.rc"), ("\n".join(lines) + "\n").encode())


if __name__ == "__main__":
    main()
