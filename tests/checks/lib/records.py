"""The catalogue's title records read from the format itself: Music.dex holds 672-byte records,
Music.dax the stored archives they point at."""
import io
import os
import struct
import zipfile

TUNE = struct.Struct("<5pB2xiiiiiiiiiI8x9p41p41p41p83p126p256p3xdd")


def load(folder):
    """The records in file order, and the whole data file."""
    dex = open(os.path.join(folder, "Music.dex"), "rb").read()
    dax = open(os.path.join(folder, "Music.dax"), "rb").read()
    recs = []
    for n in range(len(dex) // 672):
        raw = dex[n * 672:(n + 1) * 672]
        f = TUNE.unpack(raw)
        recs.append({"raw": raw, "live": f[1], "recno": f[2], "offset": f[3], "length": f[4],
                     "key": f[7], "seconds": f[8], "size": f[10], "crc": f[11],
                     "timetext": f[12].decode("cp1252"), "title": f[17].decode("cp1252")})
    return recs, dax


def stored_title(rec, dax):
    """The bytes of the one file inside a record's stored archive."""
    blob = dax[rec["offset"]:rec["offset"] + rec["length"]]
    with zipfile.ZipFile(io.BytesIO(blob)) as z:
        entries = z.infolist()
        assert len(entries) == 1, (rec["key"], len(entries))
        return z.read(entries[0])
