"""Reads the catalogue the loader test left behind, independently of the program: every title
imported through File > Open carries the category and artist chosen in the loader, and its stored
archive (cut out of Music.dax, opened with zipfile) holds the very bytes of its source: the MIDI
file itself, or the entry of the zip archive it came from."""
import io
import os
import struct
import sys
import zipfile

TUNE = struct.Struct("<5pB2xiiiiiiiiiI8x9p41p41p41p83p126p256p3xdd")
folder = os.path.join(sys.argv[1], "loader")
dex = open(os.path.join(folder, "Music.dex"), "rb").read()
dax = open(os.path.join(folder, "Music.dax"), "rb").read()
records = {}
for n in range(len(dex) // TUNE.size):
    f = TUNE.unpack(dex[n * TUNE.size:(n + 1) * TUNE.size])
    if f[1]:
        records[f[7]] = f

checked = 0
for line in open(os.path.join(folder, "titles.tsv"), encoding="latin-1"):
    key, source, category, last, first = line.rstrip("\n").split("\t")
    f = records[int(key)]
    assert (category, last, first) == ("Loaded", "Doe", "Jane"), line
    assert f[13].decode("latin-1") == "Loaded" and f[14] == b"Doe" and f[15] == b"Jane", f
    with zipfile.ZipFile(io.BytesIO(dax[f[3]:f[3] + f[4]])) as z:
        (entry,) = z.infolist()
        stored = z.read(entry)
    if "+" in source:
        archive, name = source.split("+", 1)
        with zipfile.ZipFile(os.path.join(folder, archive)) as z:
            original = z.read(name)
    else:
        original = open(os.path.join(folder, source), "rb").read()
    assert stored == original, source
    assert f[10] == len(original), source
    checked += 1
assert checked == 5, checked
print("checked %d titles imported through the loader" % checked)
