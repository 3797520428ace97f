# Reads what the built program left of each damaged catalogue after one start and close
# (tests/damage) and checks, by the record layouts, that nothing it could read intact was lost:
# Music.dax keeps every byte, every intact title, category, artist, album and album row is still
# in its file, a damaged file was copied aside, and the user was told. Then what a user's
# acceptance of the loss left, and a title added to a cut index.
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "oracles"))
import damage_catalogues as oracle  # noqa: E402

TUNE, CAT, ALB, PERF = 672, 72, 76, 176
LIST_SIZES = {"Categories.dex": CAT, "Artists.dex": PERF, "Albums_A.dex": ALB,
              "Albums_AT.dex": TUNE}
FOUND = "Tonalbrook found damage in its catalogue files"
QUESTION = "Accept the catalogue as it could be read?"


def short(data, at):
    return data[at + 1:at + 1 + data[at]]


def records(data, size):
    return [data[i:i + size] for i in range(0, len(data) - size + 1, size)]


def tune(rec):
    recno, offset, length, cat, perf, key, seconds, album, size, crc = struct.unpack_from(
        "<9iI", rec, 8)
    return {"live": rec[5], "offset": offset, "length": length, "cat": cat, "perf": perf,
            "key": key, "album": album, "crc": crc, "origin": short(rec, 397)}


def intact_titles(good_dex, dax):
    """Live titles of the intact catalogue whose archive survives the damage, with its bytes."""
    out = []
    for n, rec in enumerate(records(good_dex, TUNE), 1):
        t = tune(rec)
        if t["live"] == 1 and t["offset"] + t["length"] <= len(dax):
            out.append((n, dax[t["offset"]:t["offset"] + t["length"]]))
    return out


def readable(dex, dax):
    """The live titles of an index whose archives lie within the data file, in record order."""
    out = []
    for rec in records(dex, TUNE):
        t = tune(rec)
        if t["live"] == 1 and t["length"] > 0 and 0 <= t["offset"] and (
                t["offset"] + t["length"] <= len(dax)):
            out.append(t)
    return out


def entries(data, size, name_at, keys=None):
    """(key, name) of a list file's records that are records, only those of keys when given."""
    out = set()
    for r in records(data, size):
        key = struct.unpack_from("<i", r)[0]
        if key >= 1 and r[name_at] <= 40 and (keys is None or key in keys):
            out.add((key, short(r, name_at)))
    return out


def missing(fname, size, name_at, files, got, keys, fail):
    want = entries(files.get(fname, b""), size, name_at, keys)
    for k in sorted(want - entries(got.get(fname, b""), size, name_at)):
        fail("%r is gone from %s" % (k, fname))


def row(r):
    t = tune(r)
    return (t["key"], t["album"], t["crc"])


def files_in(folder):
    return {str(p.relative_to(folder)).replace("\\", "/"): p.read_bytes()
            for p in folder.rglob("*") if p.is_file()}


def check_told(name, files, damaged, got, boxes, fail):
    if name in oracle.QUIET:
        if boxes.strip():
            fail("a catalogue without damage brought a box: %r" % boxes)
    elif FOUND not in boxes and "The stored title" not in boxes:
        fail("the user was not told of the damage: %r" % boxes)
    for f in damaged:
        if f not in boxes:
            fail("the message does not name %s" % f)
        # A damaged file that had bytes is copied as it was opened, the stored titles too.
        if files.get(f) and FOUND in boxes and got.get(f + ".damaged") != files[f]:
            fail("no copy of the damaged %s as opened beside it" % f)
    for f in oracle.EVIDENCE.get(name, []):
        if got.get(f + ".damaged") != files[f]:
            fail("%s names titles that could not be read, but no copy of it was kept" % f)
        if f + ".damaged" not in boxes:
            fail("the question does not name the copy %s.damaged" % f)
    if FOUND in boxes and QUESTION not in boxes:
        fail("the user was not asked whether to accept the loss")


def check_lists(name, files, damaged, got, boxes, fail):
    good = oracle.intact_files()
    # While titles the store could not read are not given up nothing is pruned; otherwise entries
    # in use by
    # a live title of the intact catalogue stay (the seed's fifth artist is used only by deleted
    # titles, so a prune may take it).
    live = [tune(r) for r in records(good["Music.dex"], TUNE) if r[5] == 1]
    held = FOUND in boxes and ("Music.dex" in damaged or "Music.dax" in damaged)
    cats = None if held else {t["cat"] for t in live}
    perfs = None if held else {t["perf"] for t in live}
    # A category file of no record that could be read is left as it is.
    if name in ("garbage_categories", "short_categories"):
        if got.get("Categories.dex") != files["Categories.dex"]:
            fail("the unreadable Categories.dex was written over")
    else:
        missing("Categories.dex", CAT, 16, files, got, cats, fail)
    missing("Artists.dex", PERF, 45, files, got, perfs, fail)
    missing("Albums_A.dex", ALB, 16, files, got, None, fail)
    want = {row(r) for r in records(files.get("Albums_AT.dex", b""), TUNE)}
    have = {row(r) for r in records(got.get("Albums_AT.dex", b""), TUNE)}
    for k in sorted(want - have):
        fail("album row (title, album, CRC) %r is gone from Albums_AT.dex" % (k,))
    # A cut record of a list file stays behind its records until the loss is accepted.
    for f, size in LIST_SIZES.items():
        cut = len(files.get(f, b"")) % size
        if f in damaged and cut and not got.get(f, b"").endswith(files[f][-cut:]):
            fail("the cut record of %s is gone" % f)
    if name == "empty_catalogue":
        # The categories still count the titles the index lost, for the next start to see.
        counts = {struct.unpack_from("<ii", r)
                  for r in records(files["Categories.dex"], CAT)}
        left = {struct.unpack_from("<ii", r) for r in records(got["Categories.dex"], CAT)}
        if counts != left:
            fail("the categories' counts of lost titles changed: %r" % sorted(left))


def check_data(name, files, damaged, got, boxes, fail):
    good = oracle.intact_files()
    dax = got.get("Music.dax", b"")
    # With the index damaged no pack may run; otherwise a pack drops deleted titles alone.
    if "Music.dex" in damaged and not dax.startswith(files["Music.dax"]):
        fail("Music.dax lost bytes: %d before, %d after" % (len(files["Music.dax"]), len(dax)))
    if "Music.dax" in damaged:
        # The damaged title is named, by its record or its title, and not one byte changes.
        named = {"header_mismatch": "record 7 (", "flipped_title": '"Title number 10" (record 10',
                 "garbage_in_data": "500 bytes of Music.dax belong to no title record"}
        if named.get(name, "") not in boxes:
            fail("the message does not name the damaged title: %r" % boxes)
        if dax != files["Music.dax"]:
            fail("Music.dax changed: %d bytes before, %d after" % (len(files["Music.dax"]),
                                                                    len(dax)))
    for n, archive in intact_titles(good["Music.dex"], files["Music.dax"]):
        if archive not in dax:
            fail("title %d's stored archive is gone from Music.dax" % n)
    if name in oracle.QUIET:
        # The pack ran: the data file holds the live titles' archives alone, back to back.
        want = oracle.live_archives(files["Music.dex"], files["Music.dax"])
        if dax != want:
            fail("Music.dax was not packed: %d bytes, %d expected" % (len(dax), len(want)))
        copies = [f for f in got if ".damaged" in f]
        if copies:
            fail("copies were made of a catalogue without damage: %r" % copies)
    if name == "pack_leftovers":
        for f in ("InfoTemp.bak", "DataTemp.bak", "BackUp/InfoOld.bak", "BackUp/DataTemp.bak.1"):
            if f in got:
                fail("%s holds nothing the catalogue lacks but was kept" % f)
        for f in ("BackUp/notes.txt", "BackUp/Music.dax"):
            if got.get(f) != files[f]:
                fail("%s holds what the catalogue lacks but is gone or changed" % f)


def check_case(name, files, damaged, left):
    faults = []
    fail = faults.append
    got = files_in(left)
    boxes = got.get("boxes.txt", b"").decode("cp1252")
    check_told(name, files, damaged, got, boxes, fail)
    check_data(name, files, damaged, got, boxes, fail)
    check_lists(name, files, damaged, got, boxes, fail)
    return ["%s: %s" % (name, f) for f in faults]


def check_accepted(written, kept):
    """cut_index, its loss accepted at one start and started again: whole, packed and quiet."""
    faults = []
    fail = faults.append
    files = files_in(written / "cut_index")
    first = (kept / "accepted_first" / "boxes.txt").read_bytes().decode("cp1252")
    got = files_in(kept / "accepted")
    if got.get("boxes.txt", b"").strip():
        fail("the start after the acceptance told something: %r" % got["boxes.txt"])
    for f in ("Music.dex.damaged", "Music.dax.damaged"):
        if f not in first:
            fail("the question does not name %s" % f)
    dex, dax = files["Music.dex"], files["Music.dax"]
    titles = readable(dex, dax)
    for f in ("Music.dex", "Music.dax", "Categories.dex", "Artists.dex", "Albums_AT.dex"):
        if got.get(f + ".damaged") != files[f]:
            fail("%s as opened is not kept as %s.damaged" % (f, f))
    now = [tune(r) for r in records(got["Music.dex"], TUNE)]
    if len(got["Music.dex"]) % TUNE or [(t["key"], t["crc"]) for t in now] != [
            (t["key"], t["crc"]) for t in titles if t["live"] == 1]:
        fail("Music.dex is not the readable titles alone: %r" % [t["key"] for t in now])
    want = b"".join(dax[t["offset"]:t["offset"] + t["length"]] for t in titles)
    if got["Music.dax"] != want:
        fail("Music.dax is not their archives alone: %d bytes, %d expected" % (
            len(got["Music.dax"]), len(want)))
    keys = {t["key"] for t in titles}
    cats = {k for k, _ in entries(got["Categories.dex"], CAT, 16)}
    if cats != {t["cat"] for t in titles}:
        fail("the categories are not those of the readable titles: %r" % sorted(cats))
    perfs = {k for k, _ in entries(got["Artists.dex"], PERF, 45)}
    if perfs != {t["perf"] for t in titles}:
        fail("the artists are not those of the readable titles: %r" % sorted(perfs))
    missing("Albums_A.dex", ALB, 16, files, got, None, fail)
    rows = [row(r) for r in records(files["Albums_AT.dex"], TUNE)]
    left = [row(r) for r in records(got["Albums_AT.dex"], TUNE)]
    if sorted(left) != sorted(r for r in rows if r[0] in keys):
        fail("the album rows are not those of the readable titles: %r" % left)
    return ["accepted: %s" % f for f in faults]


def check_added(written, kept):
    """cut_index with a title added: the title takes no key an unread title has."""
    faults = []
    fail = faults.append
    files = files_in(written / "cut_index")
    got = files_in(kept / "added_to_cut_index")
    dex, dax = files["Music.dex"], files["Music.dax"]
    cut = len(dex) % TUNE
    unread = set()
    if cut >= 32:
        unread.add(struct.unpack_from("<i", dex, len(dex) - cut + 28)[0])
    readable_keys = {t["key"] for t in readable(dex, dax)}
    unread |= {r[0] for r in map(row, records(files["Albums_AT.dex"], TUNE))} - readable_keys
    added = [tune(r) for r in records(got["Music.dex"], TUNE)
             if tune(r)["origin"].endswith(b"new song.mid")]
    if len(added) != 1:
        fail("the added title is not in Music.dex once: %d" % len(added))
    elif added[0]["key"] in unread:
        fail("the added title took key %d of a title that could not be read %r" % (
            added[0]["key"], sorted(unread)))
    if cut and not got["Music.dex"].endswith(dex[-cut:]):
        fail("the cut record was written over")
    again = [f for f in got if ".damaged." in f]
    if again:
        fail("a second start made copies again of what earlier ones keep: %r" % again)
    return ["added_to_cut_index: %s" % f for f in faults]


def main(folder):
    folder = Path(folder)
    faults = []
    # The catalogues as the oracle wrote them: the archives carry the time they were made.
    written = folder.parent.parent / "oracles" / "damage_catalogues"
    for name, (_, damaged) in oracle.cases().items():
        files = files_in(written / name)
        left = folder / name
        if not left.is_dir():
            faults.append("%s: the program's files were not kept" % name)
            continue
        faults += check_case(name, files, damaged, left)
    for check, what in ((check_accepted, "accepted"), (check_added, "added_to_cut_index")):
        if (folder / what).is_dir():
            faults += check(written, folder)
        else:
            faults.append("%s: the program's files were not kept" % what)
    for f in faults:
        print("FAIL", f)
    print("%d damaged catalogues checked, %d faults" % (len(oracle.cases()) + 2, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
