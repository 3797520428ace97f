"""Reads the catalogues the import tests left behind, independently of the program: each title's
stored archive is cut out of Music.dax and opened with zipfile; its one entry must hold the very
bytes of the imported file (zlib's CRC-32 and size), and the record's duration must be what the
duration oracle computes from the file."""
import io
import os
import struct
import sys
import zipfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "oracles"))
import midi_duration  # noqa: E402

TUNE = struct.Struct("<5pB2xiiiiiiiiiI8x9p41p41p41p83p126p256p3xdd")
root = sys.argv[1]
corpus = os.environ.get("TB_CORPUS") or os.path.join(
    os.path.dirname(__file__), "..", "..", "build", "corpus", "files")


def titles(folder):
    dex = open(os.path.join(folder, "Music.dex"), "rb").read()
    dax = open(os.path.join(folder, "Music.dax"), "rb").read()
    out = {}
    for n in range(len(dex) // 672):
        f = TUNE.unpack(dex[n * 672:(n + 1) * 672])
        if not f[1]:
            continue
        blob = dax[f[3]:f[3] + f[4]]
        with zipfile.ZipFile(io.BytesIO(blob)) as z:
            entries = z.infolist()
            assert len(entries) == 1, (folder, f[7], len(entries))
            data = z.read(entries[0])
        out[f[7]] = {"seconds": f[8], "size": f[10], "crc": f[11], "data": data}
    return out


def notes(folder):
    for line in open(os.path.join(folder, "titles.tsv")):
        key, value = line.rstrip("\n").split("\t")
        yield int(key), value


checked = 0
stored = titles(os.path.join(root, "corpus"))
for key, rel in notes(os.path.join(root, "corpus")):
    raw = open(os.path.join(corpus, rel), "rb").read()
    t = stored[key]
    assert t["data"] == raw, rel
    assert t["size"] == len(raw), rel
    assert t["crc"] == zlib.crc32(raw) & 0xFFFFFFFF, rel
    ms = midi_duration.verdict(raw)
    assert t["seconds"] == ms // 1000, (rel, t["seconds"], ms)
    checked += 1
stored = titles(os.path.join(root, "archives"))
for key, crc in notes(os.path.join(root, "archives")):
    t = stored[key]
    assert t["crc"] == int(crc) == zlib.crc32(t["data"]) & 0xFFFFFFFF, key
    assert t["size"] == len(t["data"]), key
    checked += 1
assert checked > 100, checked
print("checked %d imported titles" % checked)
