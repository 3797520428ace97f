"""Reads the album files Tonalbrook left each time the albums test killed it, by their record
layout and independently of the program, and finds each change made just before the kill: an
album created, three titles added, rows moved, a title removed and the album deleted."""
import os
import struct
import sys

TUNE = struct.Struct("<5pB2xiiiiiiiiiI8x9p41p41p41p83p126p256p3xdd")
ALB = struct.Struct("<iiii41p3xIIII")
root = sys.argv[1]


def records(step, name, layout):
    data = open(os.path.join(root, step, name), "rb").read()
    assert len(data) % layout.size == 0, (step, name, len(data))
    return [layout.unpack_from(data, i) for i in range(0, len(data), layout.size)]


def albums(step):
    """Album name -> key, and album key -> the master keys of its rows in file order."""
    names = {a[4].decode("cp1252"): a[0] for a in records(step, "Albums_A.dex", ALB)}
    rows = {}
    for r in records(step, "Albums_AT.dex", TUNE):
        rows.setdefault(r[9], []).append(r[7])
    assert set(rows) <= set(names.values()), (step, "rows of an album that is gone", rows, names)
    return names, rows


k0, k1, k2, k3 = [int(x) for x in open(os.path.join(root, "keys.txt")).read().split()]
steps = ["1_created", "2_added", "3_moved", "4_removed", "5_deleted"]
seen = {}
for step in steps:
    names, rows = albums(step)
    # The prepared album is never touched.
    assert "Evening" in names, (step, names)
    assert rows.get(names["Evening"]) == [k0, k3], (step, rows)
    seen[step] = (names, rows)

names, rows = seen["1_created"]
assert sorted(names) == ["Evening", "Road"], names
road = names["Road"]
assert road not in rows, rows

names, rows = seen["2_added"]
assert sorted(names) == ["Evening", "Road"] and names["Road"] == road, names
added = rows.get(road, [])
assert len(added) == 3 and len(set(added)) == 3 and set(added) <= {k0, k1, k2, k3}, added

names, rows = seen["3_moved"]
moved = rows.get(names["Road"], [])
assert sorted(moved) == sorted(added) and moved != added, (added, moved)

names, rows = seen["4_removed"]
assert rows.get(names["Road"], []) == moved[1:], (moved, rows)

names, rows = seen["5_deleted"]
assert sorted(names) == ["Evening"], names
assert set(rows) == {names["Evening"]}, rows

print("album Road: made, given %s, moved to %s, left with %s and deleted; "
      "each found after a kill" % (added, moved, moved[1:]))
