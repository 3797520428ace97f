"""MIDI files full of tempo changes across many tracks, and other files a catalogue is handed that
no ordinary song resembles, with what the file format says of them.

Writes OUTDIR/NAME.mid and OUTDIR/durations.tsv: the file name, its duration in ms by the
catalogue's timing rules (midi_duration.py), mido's MidiFile.length in ms where the two measure the
same span (else -1; not asked for the largest files) and how many ms ours may fall short of it,
the number of events of all tracks together (each track's end-of-track event counted) and the
number of tracks. OUTDIR/seeks.tsv holds, for each file, ticks
and the ms elapsed at each by the same rules, so that a walk to any tick can be checked.

- conductors.mid: 256 tracks of 150 tempo changes each, their ticks interleaved, notes in a few;
- ties.mid: eight tracks changing tempo at the very same ticks, so the order of equal ticks
  decides the time;
- signatures.mid: tempo and time-signature changes with notes and controllers in every track;
- heavy.mid: 256 tracks of 1,200 tempo changes each and a last note in the first track, for the
  import of the whole program (a smaller copy of a 63 MB file of 35,000 changes a track);
- seventyfive.mid: 75 bytes whose last note lies so far at so slow a tempo that its duration in
  whole seconds is more than a 32-bit count holds.
"""
import os
import struct
import sys

import mido

sys.path.insert(0, os.path.dirname(__file__))
import midi_duration  # noqa: E402


def varlen(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.insert(0, 0x80 | (v & 0x7F))
        v >>= 7
    return bytes(out)


def smf(division, tracks):
    """A format 1 file from the tracks' raw event bytes (each ended here by end of track)."""
    body = b"".join(b"MTrk" + struct.pack(">I", len(t) + 4) + t + b"\x00\xff\x2f\x00"
                    for t in tracks)
    return b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), division) + body


def tempo(us):
    return b"\xff\x51\x03" + us.to_bytes(3, "big")


def conductors():
    f = mido.MidiFile(type=1, ticks_per_beat=240)
    for n in range(256):
        t = mido.MidiTrack()
        f.tracks.append(t)
        step = 7 + n % 13  # every track its own pace: the changes interleave
        for i in range(150):
            t.append(mido.MetaMessage("set_tempo", tempo=300000 + (n * 977 + i * 331) % 400000,
                                      time=step))
        if n % 64 == 5:
            t.append(mido.Message("note_on", channel=n % 16, note=60, velocity=80, time=0))
            t.append(mido.Message("note_off", channel=n % 16, note=60, velocity=0, time=100 + n))
    return f


def ties():
    f = mido.MidiFile(type=1, ticks_per_beat=96)
    for n in range(8):
        t = mido.MidiTrack()
        f.tracks.append(t)
        for i in range(40):
            t.append(mido.MetaMessage("set_tempo", tempo=250000 + 50000 * ((n + i) % 8),
                                      time=0 if i == 0 else 96))
        if n == 0:
            t.append(mido.Message("note_on", note=64, velocity=90, time=50))
            t.append(mido.Message("note_off", note=64, velocity=0, time=46))
    return f


def signatures():
    f = mido.MidiFile(type=1, ticks_per_beat=120)
    for n in range(12):
        t = mido.MidiTrack()
        f.tracks.append(t)
        for i in range(60):
            if i % 5 == 0:
                t.append(mido.MetaMessage("time_signature", numerator=2 + (n + i) % 5,
                                          denominator=4 if i % 2 else 8, time=11 + n))
            if i % 3 == 0:
                t.append(mido.MetaMessage("set_tempo", tempo=400000 + 20000 * ((i + n) % 7),
                                          time=5))
            t.append(mido.Message("control_change", channel=n, control=7, value=i, time=13))
            t.append(mido.Message("note_on", channel=n, note=40 + i % 40, velocity=70, time=0))
            t.append(mido.Message("note_off", channel=n, note=40 + i % 40, velocity=0, time=17))
    return f


def heavy():
    tracks = []
    for n in range(256):
        events = bytearray()
        for i in range(1200):
            events += varlen(1 + (n + i) % 3) + tempo(350000 + (n * 7919 + i * 104729) % 300000)
        if n == 0:
            events += b"\x00\x90\x3c\x50\x60\x80\x3c\x00"
        tracks.append(bytes(events))
    return smf(96, tracks)


def seventyfive():
    """The slowest tempo, one tick a quarter, a note some 178 million quarters on: 2,990,633,123
    seconds, which a 32-bit count reads as -1,304,334,173."""
    text = b"a tune to outlast all listeners"
    t = (b"\x00" + tempo(0xFFFFFF) + varlen(0x0AA0_0000) + b"\x90\x3c\x40"
         + b"\x00\xff\x01" + bytes([len(text)]) + text)
    data = smf(1, [t])
    assert len(data) == 75, len(data)
    return data


def ms_at(changes, division, tick):
    """Elapsed ms at a tick: whole ms per quarter, integer division per tempo segment."""
    mpq, tempo_tick, ms_at_tempo = 500, 0, 0
    for at, us in changes:
        if at > tick:
            break
        ms_at_tempo += (at - tempo_tick) * mpq // division
        tempo_tick, mpq = at, us // 1000
    return (tick - tempo_tick) * mpq // division + ms_at_tempo


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {}
    for name, make in (("conductors", conductors), ("ties", ties), ("signatures", signatures)):
        f = make()
        path = os.path.join(out, name + ".mid")
        f.save(path)
        files[name] = (open(path, "rb").read(), int(mido.MidiFile(path).length * 1000))
    for name, make in (("heavy", heavy), ("seventyfive", seventyfive)):
        data = make()
        with open(os.path.join(out, name + ".mid"), "wb") as f:
            f.write(data)
        files[name] = (data, -1)
    lines, seeks = [], []
    for name, (raw, mido_ms) in files.items():
        ms, tracks, division = midi_duration.duration_ms(raw)
        comparable, bound = midi_duration.mido_comparison(tracks, division)
        if not comparable:
            mido_ms = -1
        events = sum(len(t) for t in tracks)
        lines.append(f"{name}.mid\t{ms}\t{mido_ms}\t{bound}\t{events}\t{len(tracks)}\n")
        last = max((t[-1][0] for t in tracks if t), default=0)
        changes = midi_duration.tempo_changes(tracks)
        for tick in sorted({0, 1, last // 3, last // 2, last - 1, last, last + 500}):
            if tick >= 0:
                seeks.append(f"{name}.mid\t{tick}\t{ms_at(changes, division, tick)}\n")
    with open(os.path.join(out, "durations.tsv"), "w") as f:
        f.writelines(lines)
    with open(os.path.join(out, "seeks.tsv"), "w") as f:
        f.writelines(seeks)


if __name__ == "__main__":
    main()
