"""Reads the catalogue files the main window's editing test left at shutdown, independently of the
program, and finds each change it made: a typed title, artist and category; a renamed category and
album; a new album; a title deleted; and no artist filed twice. Checks the screenshots are images."""
import os
import struct
import sys

TUNE = struct.Struct("<5pB2xiiiiiiiiiI8x9p41p41p41p83p126p256p3xdd")
CAT = struct.Struct("<iiii41p3xIII")
ALB = struct.Struct("<iiii41p3xIIII")
PERF = struct.Struct("<i41p41p83p7x")
root = sys.argv[1]


def records(name, layout):
    data = open(os.path.join(root, name), "rb").read()
    assert len(data) % layout.size == 0, (name, len(data))
    return [layout.unpack_from(data, i) for i in range(0, len(data), layout.size)]


k0, k1, k2, k3 = [int(x) for x in open(os.path.join(root, "keys.txt")).read().split()]

cats = {c[4].decode("latin-1"): c[0] for c in records("Categories.dex", CAT)}
assert sorted(cats) == ["Bossa", "Cool Jazz", "Folk"], cats
assert len(set(cats.values())) == 3, cats

perfs = records("Artists.dex", PERF)
pairs = [(p[1].decode("latin-1"), p[2].decode("latin-1")) for p in perfs]
assert len(pairs) == len(set(pairs)), "an artist is filed twice: %r" % pairs
artist = {pair: p[0] for pair, p in zip(pairs, perfs)}
assert ("John", "Doe") in artist and ("Some", "Body") in artist, pairs
assert len(pairs) == 2, pairs

albums = {a[4].decode("latin-1"): a[0] for a in records("Albums_A.dex", ALB)}
assert sorted(albums) == ["Morning", "Night"], albums
rows = records("Albums_AT.dex", TUNE)
night = sorted(r[7] for r in rows if r[9] == albums["Night"])
assert night == sorted([k0, k3]), night
assert not [r for r in rows if r[9] == albums["Morning"]]

tunes = {r[7]: r for r in records("Music.dex", TUNE) if r[1]}
assert sorted(tunes) == sorted([k0, k1, k3]), sorted(tunes)
t1 = tunes[k1]
assert t1[17] == b"Evening Song", t1[17]
assert (t1[15], t1[14]) == (b"John", b"Doe"), (t1[15], t1[14])
assert t1[6] == artist[("John", "Doe")]
assert (t1[13], t1[5]) == (b"Bossa", cats["Bossa"]), (t1[13], t1[5])
assert (tunes[k3][13], tunes[k3][5]) == (b"Cool Jazz", cats["Cool Jazz"]), tunes[k3][13]
assert (tunes[k0][13], tunes[k0][6]) == (b"Folk", artist[("Some", "Body")])

shots = os.path.join(root, "shots")
for name in ("name_dialog.bmp", "title_editor_single.bmp", "title_editor_several.bmp"):
    data = open(os.path.join(shots, name), "rb").read()
    assert data[:2] == b"BM", name
    width, height = struct.unpack_from("<ii", data, 18)
    assert width >= 236 and abs(height) >= 74, (name, width, height)
print("categories %s, artists %s, albums %s, %d titles as the test left them"
      % (sorted(cats), sorted(pairs), sorted(albums), len(tunes)))
