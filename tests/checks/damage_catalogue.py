# Reads what the built program left of each damaged catalogue after one start and close
# (tests/damage) and checks, by the record layouts, that nothing it could read intact was lost:
# Music.dax keeps every byte, every intact title, category, artist, album and album row is still
# in its file, a damaged file was copied aside, and the user was told.
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "oracles"))
import damage_catalogues as oracle  # noqa: E402

TUNE, CAT, ALB, PERF = 672, 72, 76, 176


def short(data, at):
    return data[at + 1:at + 1 + data[at]]


def records(data, size):
    return [data[i:i + size] for i in range(0, len(data) - size + 1, size)]


def tune(rec):
    recno, offset, length, cat, perf, key, seconds, album, size, crc = struct.unpack_from(
        "<9iI", rec, 8)
    return {"live": rec[5], "offset": offset, "length": length, "cat": cat, "perf": perf,
            "key": key, "album": album, "crc": crc}


def intact_titles(good_dex, dax):
    """Live titles of the intact catalogue whose archive survives the damage, with its bytes."""
    out = []
    for n, rec in enumerate(records(good_dex, TUNE), 1):
        t = tune(rec)
        if t["live"] == 1 and t["offset"] + t["length"] <= len(dax):
            out.append((n, dax[t["offset"]:t["offset"] + t["length"]]))
    return out


def entries(data, size, name_at, keys=None):
    """(key, name) of a list file's records, only those of keys when given."""
    out = set()
    for r in records(data, size):
        key = struct.unpack_from("<i", r)[0]
        if keys is None or key in keys:
            out.add((key, short(r, name_at)))
    return out


def missing(fname, size, name_at, files, got, keys, fail):
    want = entries(files[fname], size, name_at, keys)
    for k in sorted(want - entries(got.get(fname, b""), size, name_at)):
        fail("%r is gone from %s" % (k, fname))


def check_case(name, files, damaged, left):
    faults = []
    fail = faults.append
    good = oracle.intact_files()
    got = {p.name: p.read_bytes() for p in left.iterdir() if p.is_file()}
    boxes = got.get("boxes.txt", b"").decode("cp1252")
    if "Tonalbrook found damage in its catalogue files" not in boxes and (
            "The stored title" not in boxes):
        fail("the user was not told of the damage: %r" % boxes)
    for f in damaged:
        if f not in boxes:
            fail("the message does not name %s" % f)
        # The stored titles are never written over, so they need no copy: they must stay whole.
        if f != "Music.dax" and got.get(f + ".damaged") != files[f]:
            fail("no copy of the damaged %s as opened beside it" % f)
    dax = got.get("Music.dax", b"")
    # With the index damaged no pack may run; otherwise a pack drops deleted titles alone.
    if "Music.dex" in damaged and not dax.startswith(files["Music.dax"]):
        fail("Music.dax lost bytes: %d before, %d after" % (len(files["Music.dax"]), len(dax)))
    if "Music.dax" in damaged:
        # The damaged title is named, by its record or its title, and not one byte changes.
        named = {"header_mismatch": "record 7 (", "flipped_title": '"Title number 10" (record 10'}
        if named.get(name, "") not in boxes:
            fail("the message does not name the damaged title: %r" % boxes)
        if dax != files["Music.dax"]:
            fail("Music.dax changed: %d bytes before, %d after" % (len(files["Music.dax"]),
                                                                    len(dax)))
    for n, archive in intact_titles(good["Music.dex"], files["Music.dax"]):
        if archive not in dax:
            fail("title %d's stored archive is gone from Music.dax" % n)
    # Entries in use by a live title of the intact catalogue stay; the seed's fifth artist is used
    # only by deleted titles, so a prune may take it.
    live = [tune(r) for r in records(good["Music.dex"], TUNE) if r[5] == 1]
    cats = {t["cat"] for t in live}
    perfs = {t["perf"] for t in live}
    if "Categories.dex" in damaged:
        if got.get("Categories.dex") != files["Categories.dex"]:
            fail("the unreadable Categories.dex was written over")
    else:
        missing("Categories.dex", CAT, 16, files, got, cats, fail)
    missing("Artists.dex", PERF, 45, files, got, perfs, fail)
    missing("Albums_A.dex", ALB, 16, files, got, None, fail)
    row = lambda r: (tune(r)["key"], tune(r)["album"], tune(r)["crc"])  # noqa: E731
    want = {row(r) for r in records(files["Albums_AT.dex"], TUNE)}
    have = {row(r) for r in records(got.get("Albums_AT.dex", b""), TUNE)}
    for k in sorted(want - have):
        fail("album row (title, album, CRC) %r is gone from Albums_AT.dex" % (k,))
    return ["%s: %s" % (name, f) for f in faults]


def main(folder):
    folder = Path(folder)
    faults = []
    # The catalogues as the oracle wrote them: the archives carry the time they were made.
    written = folder.parent.parent / "oracles" / "damage_catalogues"
    for name, (_, damaged) in oracle.cases().items():
        files = {p.name: p.read_bytes() for p in (written / name).iterdir()}
        left = folder / name
        if not left.is_dir():
            faults.append("%s: the program's files were not kept" % name)
            continue
        faults += check_case(name, files, damaged, left)
    for f in faults:
        print("FAIL", f)
    print("%d damaged catalogues checked, %d faults" % (len(oracle.cases()), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
