"""Files of many tracks full of tempo changes, and 75 bytes whose duration overflows a 32-bit count
of seconds, timed by the catalogue's rules as the file format gives them (midi_duration.py).

Writes OUTDIR/NAME.mid and OUTDIR/durations.tsv: name, ms, events of all tracks, tracks."""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(__file__))
import midi_duration  # noqa: E402


def varlen(v):
    out = [v & 0x7F]
    while v >> 7:
        v >>= 7
        out.insert(0, 0x80 | (v & 0x7F))
    return bytes(out)


def smf(division, tracks):
    body = b"".join(b"MTrk" + struct.pack(">I", len(t) + 4) + t + b"\x00\xff\x2f\x00"
                    for t in tracks)
    return b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), division) + body


def tempo(us):
    return b"\xff\x51\x03" + us.to_bytes(3, "big")


def many(changes, step):
    """256 tracks of tempo changes, each track at its own pace (tracks 13 apart keep the same
    pace, so changes of equal ticks meet), a note in every 64th."""
    tracks = []
    for n in range(256):
        t = b"".join(varlen(step(n, i)) + tempo(300000 + (n * 7919 + i * 331) % 400000)
                     for i in range(changes))
        tracks.append(t + (b"\x00\x90\x3c\x50\x60\x80\x3c\x00" if n % 64 == 5 else b""))
    return smf(96, tracks)


def seventyfive():
    """The slowest tempo, one tick a quarter, a note 178 million quarters on: 2,990,633,123 s,
    which a 32-bit count reads as -1,304,334,173."""
    text = b"a tune to outlast all listeners"
    t = (b"\x00" + tempo(0xFFFFFF) + varlen(0x0AA0_0000) + b"\x90\x3c\x40\x00\xff\x01"
         + bytes([len(text)]) + text)
    return smf(1, [t])


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {"conductors": many(150, lambda n, i: 7 + n % 13),
             "heavy": many(1200, lambda n, i: 1 + (n + i) % 3),
             "seventyfive": seventyfive()}
    assert len(files["seventyfive"]) == 75
    lines = []
    for name, raw in files.items():
        with open(os.path.join(out, name + ".mid"), "wb") as f:
            f.write(raw)
        ms, tracks, _ = midi_duration.duration_ms(raw)
        lines.append(f"{name}.mid\t{ms}\t{sum(len(t) for t in tracks)}\t{len(tracks)}\n")
    with open(os.path.join(out, "durations.tsv"), "w") as f:
        f.writelines(lines)

if __name__ == "__main__":
    main()
