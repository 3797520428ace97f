"""Durations of the MIDI corpus, computed independently over the raw bytes, plus mido's view.

Writes OUTDIR/durations.tsv: corpus-relative path, our rules' duration in ms (-1 when the file is
refused), mido's MidiFile.length in ms (-1 when mido refuses it), whether the two measure the
same span (see mido_comparison) and how many ms ours may fall short of mido's there.
"""
import os
import sys

MAX_EVENTS = 1048576 // 11


class Refused(Exception):
    pass


def varlen(data, pos):
    value = 0
    for _ in range(4):
        if pos >= len(data):
            raise Refused("end")
        b = data[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos
    raise Refused("varlen")


def parse_track(data):
    """Events as (tick, status, payload): payload is the meta (type, bytes) or data bytes."""
    pos, tick, running, sysex_open, saw_end = 0, 0, 0, False, False
    events = []
    while pos < len(data):
        if saw_end:
            raise Refused("after end of track")
        delta, pos = varlen(data, pos)
        tick += delta
        if tick > 0x7FFFFFFF:
            raise Refused("tick")
        if pos >= len(data):
            raise Refused("end")
        b = data[pos]
        pos += 1
        if sysex_open and b != 0xF7:
            raise Refused("sysex")
        if len(events) >= MAX_EVENTS:
            raise Refused("events")
        if b & 0x80:
            status = b
        elif running:
            status = running
        else:
            raise Refused("running status")
        if status in (0xF0, 0xF7):
            n, pos = varlen(data, pos)
            if n > len(data) - pos:
                raise Refused("end")
            body = data[pos:pos + n]
            pos += n
            if n > 0xFFFF:
                raise Refused("long")
            sysex_open = n == 0 or body[-1] != 0xF7
            events.append((tick, status, None))
        elif status == 0xFF:
            if pos >= len(data):
                raise Refused("end")
            mtype = data[pos]
            pos += 1
            n, pos = varlen(data, pos)
            if n > len(data) - pos:
                raise Refused("end")
            body = data[pos:pos + n]
            pos += n
            if n > 0xFFFE:
                raise Refused("long")
            if mtype == 0x2F:
                saw_end = True
            events.append((tick, status, (mtype, body)))
        elif status > 0xF0:
            events.append((tick, status, None))
        else:
            if b & 0x80:
                if pos >= len(data):
                    raise Refused("end")
                pos += 1
            if (status & 0xF0) in (0x80, 0x90, 0xA0, 0xB0, 0xE0):
                if pos >= len(data):
                    raise Refused("end")
                pos += 1
            if b & 0x80:
                running = status
            events.append((tick, status, None))
    if not saw_end and len(events) + 1 > MAX_EVENTS:
        raise Refused("events")
    return events


def riff_payload(raw):
    """The data chunk of a RIFF RMID file."""
    if len(raw) < 12 or raw[8:12] != b"RMID":
        raise Refused("form")
    pos = 12
    while pos + 8 <= len(raw):
        size = int.from_bytes(raw[pos + 4:pos + 8], "little")
        if raw[pos:pos + 4] == b"data":
            return raw[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    raise Refused("data chunk")


def duration_ms(raw):
    if raw[:4] == b"RIFF":
        raw = riff_payload(raw)
    if raw[:4] != b"MThd" or len(raw) < 14:
        raise Refused("id")
    hsize = int.from_bytes(raw[4:8], "big")
    if hsize < 6:
        raise Refused("header size")
    ntracks = int.from_bytes(raw[10:12], "big")
    division = int.from_bytes(raw[12:14], "big")
    pos = 8 + hsize
    if pos > len(raw):
        raise Refused("end")
    if ntracks > 256 or division == 0:
        raise Refused("header")
    tracks = []
    for _ in range(ntracks):
        if pos + 8 > len(raw):
            raise Refused("end")
        if raw[pos:pos + 4] != b"MTrk":
            raise Refused("MTrk")
        size = int.from_bytes(raw[pos + 4:pos + 8], "big")
        pos += 8
        if pos + size > len(raw):
            raise Refused("end")
        tracks.append(parse_track(raw[pos:pos + size]))
        pos += size
    # Latest tick: per track the last event below F0, then the largest of them.
    latest = 0
    for ev in tracks:
        for tick, status, _ in reversed(ev):
            if status < 0xF0:
                latest = max(latest, tick)
                break
    # Tempo from the first track only, whole ms per quarter, integer division per segment.
    mpq, tempo_tick, ms_at_tempo = 500, 0, 0
    for tick, status, payload in tracks[0] if tracks else []:
        if tick > latest:
            break
        if status == 0xFF and payload[0] == 0x51 and len(payload[1]) >= 3:
            us = int.from_bytes(payload[1][:3], "big")
            ms_at_tempo += (tick - tempo_tick) * mpq // division
            tempo_tick, mpq = tick, us // 1000
    return (latest - tempo_tick) * mpq // division + ms_at_tempo, tracks


def mido_comparison(tracks, division):
    """Whether mido's length measures the same span, and how far our rounding may fall short.

    mido runs to the last event of any kind and honours tempo events in every track; our rules
    stop at the last channel event and read tempo from the first track only. Where those agree,
    our result may fall short of mido's by the truncated microseconds of each quarter note and
    one millisecond per tempo segment.
    """
    latest = 0
    for ev in tracks:
        for tick, status, _ in reversed(ev):
            if status < 0xF0:
                latest = max(latest, tick)
                break
    last_any = max((ev[-1][0] for ev in tracks if ev), default=0)
    other_tempo = any(s == 0xFF and p[0] == 0x51 for ev in tracks[1:] for _, s, p in ev)
    if other_tempo or last_any != latest:
        return 0, 0
    bound, us, seg_tick = 2, 500000, 0
    for tick, status, payload in tracks[0] if tracks else []:
        if tick > latest:
            break
        if status == 0xFF and payload[0] == 0x51 and len(payload[1]) >= 3:
            bound += (tick - seg_tick) * (us % 1000) // 1000 // division + 1
            us, seg_tick = int.from_bytes(payload[1][:3], "big"), tick
    bound += (latest - seg_tick) * (us % 1000) // 1000 // division + 1
    return 1, bound


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    root = os.environ.get("TB_CORPUS") or os.path.join(
        os.path.dirname(__file__), "..", "..", "build", "corpus", "files")
    try:
        import mido
    except ImportError:
        mido = None
    lines = []
    for dirpath, _, names in sorted(os.walk(root)):
        for name in sorted(names):
            if name.startswith("."):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, root)
            raw = open(path, "rb").read()
            try:
                ours, tracks = duration_ms(raw)
                division = int.from_bytes(raw[12:14], "big") if raw[:4] == b"MThd" else 0
                comparable, bound = mido_comparison(tracks, division) if division else (0, 0)
            except Refused:
                ours, comparable, bound = -1, 0, 0
            theirs = -1
            if mido is not None:
                try:
                    theirs = int(mido.MidiFile(path).length * 1000)
                except Exception:
                    theirs = -1
            if theirs < 0:
                comparable = 0
            lines.append(f"{rel}\t{ours}\t{theirs}\t{comparable}\t{bound}\n")
    with open(os.path.join(out, "durations.tsv"), "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
