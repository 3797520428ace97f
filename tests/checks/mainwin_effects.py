"""Reads what the main window's visual-effects test recorded and logged, and checks it as the
connector's live test is checked (see effects_live.py)."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from effects_live import check  # noqa: E402

check(sys.argv[1])
