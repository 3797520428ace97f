"""Single-entry zip archives of real MIDI files, made with zipfile, for the catalogue store tests,
and the summary line of the grid that holds them all (a title's seconds are its size // 100 in
the tests), with "," for the thousands separator."""
import os
import sys
import zipfile
import zlib

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
root = os.environ.get("TB_CORPUS", "")
picked = []
if root and os.path.isdir(root):
    for package in sorted(os.listdir(root)):
        if package == "r-cran-rgdal":
            continue  # not MIDI
        names = []
        for folder, dirs, files in os.walk(os.path.join(root, package)):
            dirs.sort()
            names += [os.path.join(folder, f) for f in sorted(files)
                      if f.lower().endswith((".mid", ".rmi", ".kar"))]
        picked += names[:4]
with open(os.path.join(out, "archives.txt"), "w") as listing:
    for i, path in enumerate(picked):
        data = open(path, "rb").read()
        name = "%03d.zip" % i
        with zipfile.ZipFile(os.path.join(out, name), "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr(os.path.basename(path), data)
        listing.write("%s\t%s\t%d\t%08x\n" % (name, os.path.relpath(path, root), len(data),
                                              zlib.crc32(data)))


def duration_text(seconds):
    if seconds < 1:
        return "0:00"
    h, rest = divmod(seconds, 3600)
    m, s = divmod(rest, 60)
    return "%d:%02d:%02d" % (h, m, s) if h else "%d:%02d" % (m, s)


sizes = [os.path.getsize(p) for p in picked]
count = len(sizes)
kb = (sum(sizes) + 500) // 1000  # thousands of bytes, to the nearest whole
with open(os.path.join(out, "summary.txt"), "w") as summary:
    summary.write("%d %s  ---  %s  ---  %skb" % (
        count, "title" if count == 1 else "titles", duration_text(sum(n // 100 for n in sizes)),
        format(kb, ",")))
