"""Titles at tempos other than 120 beats a minute, written with mido, for the whole-program test
that plays them: OUTDIR/NAME.mid and OUTDIR/titles.tsv with the
file name, the duration in ms by the catalogue's timing rules (midi_duration.py) and mido's
MidiFile.length in ms. Each is some seconds long and its length at 120 beats a minute differs
from its true one by whole seconds, so a duration timed at the wrong tempo shows."""
import io
import os
import sys

import mido

sys.path.insert(0, os.path.dirname(__file__))
import midi_duration  # noqa: E402

PPQ = 480


def notes(track, channel, pitches, quarters):
    """One note a step, each held for the given quarters."""
    for pitch in pitches:
        track.append(mido.Message("note_on", channel=channel, note=pitch, velocity=90, time=0))
        track.append(mido.Message("note_off", channel=channel, note=pitch, velocity=0,
                                  time=int(quarters * PPQ)))


def single(us_per_quarter, pitches, quarters):
    """Format 0: the tempo at the start, then the notes."""
    f = mido.MidiFile(type=0, ticks_per_beat=PPQ)
    t = mido.MidiTrack()
    f.tracks.append(t)
    t.append(mido.MetaMessage("set_tempo", tempo=us_per_quarter, time=0))
    notes(t, 0, pitches, quarters)
    t.append(mido.MetaMessage("end_of_track", time=0))
    return f


def conductor_elsewhere():
    """Format 1 whose first track holds notes only and whose tempo changes sit in the second:
    8 quarters at 80 beats a minute, then 8 at 150, with the time signature there too."""
    f = mido.MidiFile(type=1, ticks_per_beat=PPQ)
    first, tempo = mido.MidiTrack(), mido.MidiTrack()
    f.tracks += [first, tempo]
    first.append(mido.MetaMessage("track_name", name="Melody", time=0))
    notes(first, 0, [60, 62, 64, 65, 67, 69, 71, 72] * 2, 1)
    first.append(mido.MetaMessage("end_of_track", time=0))
    tempo.append(mido.MetaMessage("time_signature", numerator=3, denominator=4, time=0))
    tempo.append(mido.MetaMessage("set_tempo", tempo=750000, time=0))
    tempo.append(mido.MetaMessage("set_tempo", tempo=400000, time=8 * PPQ))
    tempo.append(mido.MetaMessage("end_of_track", time=0))
    return f


def interleaved():
    """Format 1 with tempo changes in the first and the third track, the notes in the second:
    2 quarters at 120, 2 at 240 (third track), 2 at 100 (first), 6 at 75 (third)."""
    f = mido.MidiFile(type=1, ticks_per_beat=PPQ)
    first, melody, third = mido.MidiTrack(), mido.MidiTrack(), mido.MidiTrack()
    f.tracks += [first, melody, third]
    first.append(mido.MetaMessage("set_tempo", tempo=500000, time=0))
    first.append(mido.MetaMessage("set_tempo", tempo=600000, time=4 * PPQ))
    notes(melody, 1, [50, 53, 57, 60, 62, 65], 2)
    third.append(mido.MetaMessage("set_tempo", tempo=250000, time=2 * PPQ))
    third.append(mido.MetaMessage("set_tempo", tempo=800000, time=4 * PPQ))
    for t in f.tracks:
        t.append(mido.MetaMessage("end_of_track", time=0))
    return f


def smf_bytes(f):
    out = io.BytesIO()
    f.save(file=out)
    return out.getvalue()


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    titles = {
        # 60 beats a minute: 6 s (3 s at 120).
        "Slow.mid": smf_bytes(single(1000000, [48, 52, 55], 2)),
        # 200 beats a minute: 3.6 s (6 s at 120).
        "Quick.mid": smf_bytes(single(300000, [72, 74, 76, 77, 79, 81] * 2, 1)),
        # Tempo outside the first track: 9.2 s (8 s at 120).
        "Conductor.mid": smf_bytes(conductor_elsewhere()),
        # Tempo from two tracks merged in time: 7.5 s (6.8 s from the first track alone, 6 s
        # at 120).
        "Interleaved.mid": smf_bytes(interleaved()),
    }
    lines = []
    for name, raw in titles.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(raw)
        ours = midi_duration.duration_ms(raw)[0]
        theirs = round(mido.MidiFile(file=io.BytesIO(raw)).length * 1000)
        assert abs(ours - theirs) <= 2, (name, ours, theirs)
        lines.append(f"{name}\t{ours}\t{theirs}\n")
    with open(os.path.join(out, "titles.tsv"), "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
