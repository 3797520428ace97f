"""Made-up source trees for the tests of the source checks in scripts/."""
import os
import subprocess
import sys

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")


def write_tree(top, files):
    """Writes each file (path below top: text)."""
    for path, text in files.items():
        full = os.path.join(top, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)


def run_check(script, top):
    """Runs a check on the tree; answers its exit code and everything it printed."""
    done = subprocess.run([sys.executable, script, top], capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr
