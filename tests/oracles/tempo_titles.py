"""Titles at tempos other than 120 beats a minute, written with mido, for the whole-program test
that plays them: OUTDIR/NAME.mid (one RIFF MIDI file, NAME.rmi) and OUTDIR/titles.tsv with the
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


def smf_bytes(f):
    out = io.BytesIO()
    f.save(file=out)
    return out.getvalue()


def riff(smf):
    """RIFF (size) RMID, a data chunk holding the file, padded to even length."""
    data = b"data" + len(smf).to_bytes(4, "little") + smf + (b"\0" if len(smf) & 1 else b"")
    body = b"RMID" + data
    return b"RIFF" + len(body).to_bytes(4, "little") + body


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
        # Imported without a duration (a RIFF file), at 120 beats a minute: 2.5 s.
        "Wrapped.rmi": riff(smf_bytes(single(500000, [60, 67, 72, 79, 84], 1))),
    }
    lines = []
    for name, raw in titles.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(raw)
        ours = midi_duration.duration_ms(raw, name.endswith(".rmi"))[0]
        smf = midi_duration.riff_payload(raw) if name.endswith(".rmi") else raw
        theirs = round(mido.MidiFile(file=io.BytesIO(smf)).length * 1000)
        assert abs(ours - theirs) <= 2, (name, ours, theirs)
        lines.append(f"{name}\t{ours}\t{theirs}\n")
    with open(os.path.join(out, "titles.tsv"), "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
