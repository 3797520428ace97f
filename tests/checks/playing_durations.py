"""Reads the catalogue a program left after playing titles at tempos other than 120 beats a
minute, independently of the program: every title's stored duration must be the whole seconds of
the duration the file itself gives (midi_duration.py's reading, mido's within a few ms), whatever
length the sequencer reported while it played; the stored file must be the very one given."""
import os
import sys

here = os.path.dirname(__file__)
# The oracles' folder has a records.py of its own: the catalogue reader of lib/ must come first.
sys.path.insert(0, os.path.join(here, "..", "oracles"))
sys.path.insert(0, os.path.join(here, "lib"))
import midi_duration  # noqa: E402
import records  # noqa: E402

root = sys.argv[1]
checked = 0
for run in sorted(os.listdir(root)):
    folder = os.path.join(root, run)
    if not os.path.isfile(os.path.join(folder, "titles.tsv")):
        continue
    recs, dax = records.load(folder)
    by_title = {r["title"]: r for r in recs if r["live"]}
    for line in open(os.path.join(folder, "titles.tsv")):
        name, oracle_ms, mido_ms = line.rstrip("\n").split("\t")
        raw = open(os.path.join(folder, name), "rb").read()
        title = os.path.splitext(name)[0]
        assert title in by_title, (run, title, sorted(by_title))
        rec = by_title[title]
        assert records.stored_title(rec, dax) == raw, (run, name)
        ms = midi_duration.duration_ms(raw)[0]
        assert ms == int(oracle_ms) and abs(ms - int(mido_ms)) <= 2, (name, ms, oracle_ms, mido_ms)
        assert rec["seconds"] == ms // 1000, (run, name, rec["seconds"], ms)
        assert rec["timetext"] == "%d:%02d" % divmod(ms // 1000, 60), (name, rec["timetext"])
        checked += 1
    assert checked >= 4, (run, checked)
assert checked > 0, "no run left its catalogue in %s" % root
print("%d titles keep the durations read from their files" % checked)
