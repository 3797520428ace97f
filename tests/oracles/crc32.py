"""Golden CRC-32 values from zlib for generated files of edge sizes and for every corpus file."""
import os
import random
import sys
import zlib

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

with open(os.path.join(out, "sizes.txt"), "w") as listing:
    for size in (0, 1, 65535, 65536, 65537, 131072, 200000):
        data = random.Random(size).randbytes(size)
        with open(os.path.join(out, "size_%d.bin" % size), "wb") as f:
            f.write(data)
        listing.write("%d %08x\n" % (size, zlib.crc32(data)))

root = os.environ.get("TB_CORPUS", "")
with open(os.path.join(out, "corpus.txt"), "w") as listing:
    if root and os.path.isdir(root):
        found = []
        for folder, dirs, files in os.walk(root):
            dirs[:] = [d for d in dirs if not d.startswith(".")]
            for name in files:
                if name.startswith("."):
                    continue
                path = os.path.join(folder, name)
                found.append(os.path.relpath(path, root))
        for rel in sorted(found):
            with open(os.path.join(root, rel), "rb") as f:
                listing.write("%s\t%08x\n" % (rel, zlib.crc32(f.read())))
