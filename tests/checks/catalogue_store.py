"""Reads the catalogue the store test left behind, independently of the program: every live title's
stored archive is cut out of Music.dax and opened with zipfile; after the pack the deleted titles
are gone and nothing else changed."""
import io
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "lib"))
from records import load  # noqa: E402

root = sys.argv[1]


def check_archives(recs, dax, where):
    for r in recs:
        if not r["live"]:
            continue
        assert 0 <= r["offset"] and r["offset"] + r["length"] <= len(dax), (where, r["key"])
        blob = dax[r["offset"]:r["offset"] + r["length"]]
        r["blob"] = blob
        with zipfile.ZipFile(io.BytesIO(blob)) as z:
            entries = z.infolist()
            assert len(entries) == 1, (where, r["key"], len(entries))
            e = entries[0]
            assert e.CRC == r["crc"], (where, r["key"], hex(e.CRC), hex(r["crc"]))
            assert e.file_size == r["size"], (where, r["key"], e.file_size, r["size"])
            assert zipfile.crc32(z.read(e)) & 0xFFFFFFFF == r["crc"]  # entry really holds it


before, dax_before = load(os.path.join(root, "before"))
after, dax_after = load(os.path.join(root, "after"))
check_archives(before, dax_before, "before")
check_archives(after, dax_after, "after")

deleted = sorted(int(x) for x in open(os.path.join(root, "deleted.txt")).read().split())
assert sorted(r["recno"] for r in before if not r["live"]) == deleted, deleted
assert all(r["live"] for r in after), "a deleted title survived the pack"
kept = [r for r in before if r["live"]]
assert len(kept) == len(after), (len(kept), len(after))
for old, new in zip(kept, after):
    # Only the archive offset may differ: same record bytes otherwise, same archive bytes.
    assert old["raw"][:12] + old["raw"][16:] == new["raw"][:12] + new["raw"][16:], old["key"]
    assert old["blob"] == new["blob"], old["key"]
assert len(dax_after) == sum(len(r["blob"]) for r in after)
print("checked %d titles before and %d after the pack" % (len(before), len(after)))
