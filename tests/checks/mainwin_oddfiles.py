"""Reads the catalogues the whole program left after taking odd files, independently of it.

heavy: a file of 256 tracks full of tempo changes and a small one handed over meanwhile are both
stored whole, each with the whole seconds its file gives (midi_duration.py's reading).
claims: 75 bytes whose duration in whole seconds exceeds a 32-bit count keep the longest one a
title's time text shows, 99:59:59 (never a wrapped, negative one); a RIFF MIDI
file is stored whole and timed at its first play (0 until then); the category holding both sums
them without wrapping either."""
import os
import struct
import sys

here = os.path.dirname(__file__)
# The oracles' folder has a records.py of its own: the catalogue reader of lib/ must come first.
sys.path.insert(0, os.path.join(here, "..", "oracles"))
sys.path.insert(0, os.path.join(here, "lib"))
import midi_duration  # noqa: E402
import records  # noqa: E402

MOST = 99 * 3600 + 59 * 60 + 59  # the longest duration a title's 8-character time text shows


def time_text(s):
    m, s = divmod(s, 60)
    return "%d:%02d" % (m, s) if m < 60 else "%d:%02d:%02d" % (m // 60, m % 60, s)


def titles(folder):
    recs, dax = records.load(folder)
    return {r["title"]: r for r in recs if r["live"]}, dax


def categories(folder):
    """Name -> (titles, seconds) of the category file's 72-byte records."""
    raw = open(os.path.join(folder, "Categories.dex"), "rb").read()
    out = {}
    for n in range(len(raw) // 72):
        key, count, seconds, _ = struct.unpack_from("<iiii", raw, n * 72)
        name = raw[n * 72 + 17:n * 72 + 17 + raw[n * 72 + 16]].decode("cp1252")
        out[name] = (count, seconds)
    return out


root = sys.argv[1]
checked = 0

heavy = os.path.join(root, "heavy")
if os.path.isdir(heavy):
    by_title, dax = titles(heavy)
    assert sorted(by_title) == ["many conductors", "small one"], sorted(by_title)
    for name in ("many conductors.mid", "small one.mid"):
        raw = open(os.path.join(heavy, name), "rb").read()
        rec = by_title[name[:-4]]
        assert records.stored_title(rec, dax) == raw, name
        ms = midi_duration.duration_ms(raw)[0]
        assert rec["seconds"] == ms // 1000, (name, rec["seconds"], ms)
        shown = time_text(ms // 1000) if ms >= 1000 else "?"
        assert rec["timetext"] == shown, (name, rec["timetext"], shown)
        checked += 1

claims = os.path.join(root, "claims")
if os.path.isdir(claims):
    by_title, dax = titles(claims)
    assert sorted(by_title) == ["seventy five", "wrapped"], sorted(by_title)
    raw = open(os.path.join(claims, "seventy five.mid"), "rb").read()
    assert len(raw) == 75
    ms = midi_duration.duration_ms(raw)[0]
    assert ms // 1000 > MOST, ms
    rec = by_title["seventy five"]
    assert records.stored_title(rec, dax) == raw
    assert rec["seconds"] == MOST, rec["seconds"]
    assert rec["timetext"] == time_text(MOST) == "99:59:59", rec["timetext"]
    rec = by_title["wrapped"]
    assert records.stored_title(rec, dax) == open(os.path.join(claims, "wrapped.rmi"), "rb").read()
    assert rec["seconds"] == 0, rec["seconds"]
    count, seconds = categories(claims)["Windows default"]
    assert (count, seconds) == (2, MOST), (count, seconds)
    checked += 3

assert checked > 0, "no run left its catalogue in %s" % root
print("%d titles keep durations that never wrap" % checked)
