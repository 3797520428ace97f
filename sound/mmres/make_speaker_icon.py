#!/usr/bin/python3
"""Draws the mixer window's icon, speaker.ico: a dark grey loudspeaker with two sound waves in
green, at 32 and 16 pixels, with the program icon's writer. Run it again after changing the
picture."""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "app", "res"))
import make_icon  # noqa: E402

BODY = (0x40, 0x40, 0x48)
WAVE = (0x00, 0xA0, 0x30)


def in_speaker(x, y):
    # The magnet: a small box on the left; the cone: a trapezoid opening to the right.
    if 0.10 <= x <= 0.30 and 0.38 <= y <= 0.62:
        return True
    if 0.30 <= x <= 0.55:
        half = 0.12 + (x - 0.30) / 0.25 * 0.26
        return abs(y - 0.5) <= half
    return False


def in_waves(x, y):
    # Two arcs about the cone's mouth, a quarter turn wide each.
    r = math.hypot(x - 0.50, y - 0.5)
    if x <= 0.55 or abs(math.atan2(y - 0.5, x - 0.50)) > math.pi / 4:
        return False
    return 0.16 <= r <= 0.22 or 0.32 <= r <= 0.38


def speaker_pixels(size):
    body = make_icon.coverage(size, in_speaker)
    waves = make_icon.coverage(size, in_waves)
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            colour = WAVE if waves[y][x] > body[y][x] else BODY
            alpha = round(255 * min(1.0, body[y][x] + waves[y][x]))
            row.append((colour[2], colour[1], colour[0], alpha))
        pixels.append(row)
    return pixels


if __name__ == "__main__":
    with open(os.path.join(HERE, "speaker.ico"), "wb") as f:
        f.write(make_icon.icon_file([32, 16], speaker_pixels))
