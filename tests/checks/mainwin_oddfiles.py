"""Reads the catalogue the whole program left after taking odd files, independently of it: 75
bytes whose duration in whole seconds overflows a 32-bit count keep the longest duration a title's
8-character time text shows, 99:59:59, never a wrapped one; a RIFF MIDI file is stored whole and
timed at its first play (0 until then); the category holding both sums them without wrapping."""
import os
import struct
import sys

here = os.path.dirname(__file__)
# The oracles' folder has a records.py of its own: the catalogue reader of lib/ must come first.
sys.path.insert(0, os.path.join(here, "..", "oracles"))
sys.path.insert(0, os.path.join(here, "lib"))
import midi_duration  # noqa: E402
import records  # noqa: E402

root = sys.argv[1]
recs, dax = records.load(root)
titles = {r["title"]: r for r in recs if r["live"]}
assert sorted(titles) == ["seventy five", "wrapped"], sorted(titles)
raw = open(os.path.join(root, "seventy five.mid"), "rb").read()
longest = 99 * 3600 + 59 * 60 + 59
assert len(raw) == 75 and midi_duration.duration_ms(raw)[0] // 1000 >= 2 ** 31
assert records.stored_title(titles["seventy five"], dax) == raw
assert (titles["seventy five"]["seconds"], titles["seventy five"]["timetext"]) == (longest, "99:59:59")
wrapped = open(os.path.join(root, "wrapped.rmi"), "rb").read()
assert records.stored_title(titles["wrapped"], dax) == wrapped
assert titles["wrapped"]["seconds"] == 0, titles["wrapped"]["seconds"]
# Category records: key, titles, seconds, bytes, the name after a length byte; 72 bytes each.
cats = open(os.path.join(root, "Categories.dex"), "rb").read()
totals = {cats[n + 17:n + 17 + cats[n + 16]]: struct.unpack_from("<ii", cats, n + 4)
          for n in range(0, len(cats), 72)}
assert totals[b"Windows default"] == (2, longest), totals
print("durations kept whole: 99:59:59 for 75 bytes, 0 for a RIFF title until it plays")
