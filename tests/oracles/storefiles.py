"""Single-entry zip archives of real MIDI files, made with zipfile, for the catalogue store tests."""
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
