"""Reads what the export tests saved and archived, independently of the program: every saved
".mid" and every archive entry must hold the very bytes of its title as stored in Music.dax, under
the expected name (raw bytes); Python's zipfile and `unzip -t` must accept each archive; the chosen
folder holds nothing but the expected files."""
import os
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "lib"))
from records import load, stored_title  # noqa: E402

root = sys.argv[1]
checked = 0
for case in sorted(os.listdir(root)):
    folder = os.path.join(root, case)
    recs, dax = load(os.path.join(folder, "catalogue"))
    by_key = {r["key"]: r for r in recs if r["live"]}
    out = os.path.join(folder, "out")
    expected = {}
    for line in open(os.path.join(folder, "expect.tsv"), "rb"):
        name, key, entry = line.rstrip(b"\n").split(b"\t")
        expected.setdefault(name, []).append((int(key), entry))
    present = set(os.fsencode(n) for n in os.listdir(out))
    assert present == set(expected), (case, sorted(present ^ set(expected)))
    for name, wanted in expected.items():
        path = os.path.join(os.fsencode(out), name)
        if wanted[0][1] == b"":
            assert open(path, "rb").read() == stored_title(by_key[wanted[0][0]], dax), (case, name)
            checked += 1
            continue
        result = subprocess.run(["unzip", "-t", path], capture_output=True)
        assert result.returncode == 0, (case, name, result.stdout[-300:])
        with open(path, "rb") as f, zipfile.ZipFile(f) as z:
            assert z.testzip() is None, (case, name)
            infos = z.infolist()
            # Raw stored names: what any unzipper would create.
            raw = {i.orig_filename.encode("cp437" if not i.flag_bits & 0x800 else "utf-8"): i
                   for i in infos}
            assert len(raw) == len(wanted), (case, name, sorted(raw))
            for key, entry in wanted:
                assert entry in raw, (case, name, entry, sorted(raw))
                assert z.read(raw[entry]) == stored_title(by_key[key], dax), (case, entry)
                checked += 1
assert checked > 0, "no export was left to check"
print("checked %d exported titles" % checked)
