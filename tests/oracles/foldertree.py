"""A folder tree with a symbolic-link loop, made on the host where links can always be made."""
import os
import sys

out = sys.argv[1]
tree = os.path.join(out, "tree")
os.makedirs(os.path.join(tree, "a", "b"), exist_ok=True)
loop = os.path.join(tree, "a", "b", "up")
if os.path.islink(loop):
    os.remove(loop)
os.symlink("../..", loop)  # a/b/up -> tree: walking into it would never end
