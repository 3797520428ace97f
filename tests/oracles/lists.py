"""Category, artist and album files as the program keeps them, written with struct, with stale
in-memory references left in the category and album records."""
import os
import struct
import sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
TUNE = struct.Struct("<5pB2xiiiiiiiiiI8x9p41p41p41p83p126p256p3xdd")
CAT = struct.Struct("<iiii41p3xIII")
ALB = struct.Struct("<iiii41p3xIIII")
PERF = struct.Struct("<i41p41p83p7x")

# Already in the order the lists keep: by name (categories, albums) or last name (artists),
# ASCII case ignored.
cats = [(3, 2, 300, 5000, b"blues"), (1, 0, 0, 0, b"Pop"), (2, 1, 61, 10, b"pop "),
        (7, 9, 9, 9, b"Zydeco" + b"z" * 40)]
with open(os.path.join(out, "Categories.dex"), "wb") as f:
    for k, n, s, b, name in cats:
        f.write(CAT.pack(k, n, s, b, name, 0x00401000 + k, 0x00502000, 0x00603000))
perfs = [(4, b"Ann", b"adams", b"Ann adams"), (2, b"", b"Baker", b"Baker"),
         (9, b"  Cy ", b"CARR", b"Cy CARR")]
with open(os.path.join(out, "Artists.dex"), "wb") as f:
    for p in perfs:
        f.write(PERF.pack(*p))
# Totals as the album titles below add up (they are recounted at load).
albums = [(5, 3, 245, 4500, b"Evening"), (2, 1, 1, 1, b"morning")]
with open(os.path.join(out, "Albums_A.dex"), "wb") as f:
    for k, n, s, b, name in albums:
        f.write(ALB.pack(k, n, s, b, name, 1, 2, 3, 4))


def tune(album, key, secs, size, title):
    return TUNE.pack(b"MIDI", 1, 0, 0, 0, 1, 4, key, secs, album, size, 0x1234 + key, b"1:00",
                     b"Pop", b"adams", b"Ann", b"Ann adams", title, b"C:\\x.mid", 36000.5,
                     45000.25)


with open(os.path.join(out, "Albums_AT.dex"), "wb") as f:
    f.write(tune(5, 10, 60, 1000, b"Dusk"))
    f.write(tune(5, 11, 125, 2500, b"Night"))
    f.write(tune(5, 10, 60, 1000, b"Dusk"))  # an album may hold a title twice
    f.write(tune(2, 12, 1, 1, b"Dawn"))
