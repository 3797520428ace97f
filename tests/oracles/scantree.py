"""A folder tree for the scan walker, made on the host, and what a walk of it must find.

Writes tree/ and, for the walker's mask "*.mid": expected_files.txt (Windows paths, sorted by
upper case) and expected_folders.txt (the number of folders a walk enters). Links are not
followed; Windows can neither list nor open a path of 260 characters or more, so the long chain
is built to jump from well below that length to well above it."""
import os
import shutil
import sys

out = sys.argv[1]
tree = os.path.join(out, "tree")
shutil.rmtree(tree, ignore_errors=True)
os.makedirs(tree)


def win(path):
    return "Z:" + path.replace("/", "\\")


def write(rel, data=b"MThd"):
    path = os.path.join(tree, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


for rel in ["top.mid", "Upper.MID", "long name.midi", "notes.txt",
            "music/a.mid", "music/b.Mid", "music/readme.txt",
            "music/classic/bach.mid", "music/classic/deeper/x.mid", "music/classic/deeper/y.txt",
            "music/empty_sub/.keep_out.txt", "other/c.mid.bak", "other/d.midi"]:
    write(rel)
os.makedirs(os.path.join(tree, "emptyfolder"), exist_ok=True)
os.symlink("..", os.path.join(tree, "music", "loop"))  # back up: a walk into it never ends
os.symlink("/", os.path.join(tree, "root"))            # the whole host
big = os.path.join(tree, "big")
os.makedirs(big)
for i in range(2000):
    with open(os.path.join(big, "f%04d.mid" % i), "wb") as f:
        f.write(b"x")
# The chain: its first level ends near 200 characters, its second far past 260.
first = max(1, 200 - len(win(tree)) - len("\\chain\\"))
assert first < 250, "the build folder's path is too long for this tree"
chain1 = os.path.join(tree, "chain", "L" * first)
chain2 = os.path.join(chain1, "M" * 120)
os.makedirs(chain2)
write(os.path.relpath(os.path.join(chain1, "near.mid"), tree))
write(os.path.relpath(os.path.join(chain2, "far.mid"), tree))
write(os.path.relpath(os.path.join(chain2, "N" * 20, "farther.mid"), tree))

files, folders = [], 0
for folder, dirs, names in os.walk(tree, followlinks=False):
    dirs[:] = [d for d in dirs if not os.path.islink(os.path.join(folder, d))]
    if len(win(folder)) >= 255:
        dirs[:] = []
        continue
    folders += 1
    for n in names:
        p = os.path.join(folder, n)
        if n.lower().endswith(".mid") and len(win(p)) < 255:
            files.append(win(p))
assert len(win(chain1)) < 230 and len(win(chain2)) > 280
with open(os.path.join(out, "expected_files.txt"), "w") as f:
    for p in sorted(files, key=str.upper):
        f.write(p + "\n")
with open(os.path.join(out, "expected_folders.txt"), "w") as f:
    f.write("%d\n" % folders)
