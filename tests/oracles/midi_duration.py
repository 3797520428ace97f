"""Durations of the MIDI corpus and of damaged copies of it, read from the file format itself, plus
mido's view of the corpus.

Writes OUTDIR/durations.tsv: corpus-relative path, the duration in ms by the catalogue's timing
rules (-1 when the file is refused), mido's MidiFile.length in ms (-1 when mido refuses it),
whether the two measure the same span (see mido_comparison) and how many ms ours may fall short
of mido's there. Writes OUTDIR/damaged/NNNN.mid, copies of corpus files cut at the edges of their
chunks and events or with bytes overwritten, and OUTDIR/damaged.tsv: file name and the duration
in ms or -1.

The file is read as the Standard MIDI File format lays it out: a chunk is a four-letter type and
a 32-bit big-endian length, and must fit in the file; a track chunk is a run of events, each a
variable-length delta time (seven bits a byte, at most four bytes) and a message whose length
follows from its status byte (a data byte in place of a status repeats the last channel status).
Beyond the format, the catalogue's reader documents these rules, taken here as given:
- only the header's count of track chunks is read, and each must be "MTrk";
- at most 256 tracks, a division other than 0, and running status survives system exclusive and
  meta events;
- a system exclusive block not ending in F7 must be continued by an F7 block next;
- nothing may follow the end-of-track meta event in its chunk;
- statuses F1 to FE other than F7 and FF carry no data; data bytes are taken as they come;
- an event holds at most 65535 bytes (a meta event: its type and up to 65534), a track at most
  1048576 // 11 events (counting the end-of-track event added when missing), and times stay
  below 2**31 ticks.
"""
import os
import random
import sys

MAX_TRACKS = 256
MAX_EVENTS = 1048576 // 11
MAX_TICK = 0x7FFFFFFF
CHANNEL_DATA_BYTES = {0x8: 2, 0x9: 2, 0xA: 2, 0xB: 2, 0xC: 1, 0xD: 1, 0xE: 2}


class Refused(Exception):
    pass


class Cursor:
    """Bytes read front to back; running past the end refuses the file."""

    def __init__(self, data, start=0, end=None):
        self.data, self.pos = data, start
        self.end = len(data) if end is None else end

    def left(self):
        return self.end - self.pos

    def take(self, n):
        if n > self.left():
            raise Refused("truncated")
        piece = self.data[self.pos:self.pos + n]
        self.pos += n
        return piece

    def byte(self):
        return self.take(1)[0]

    def quantity(self):
        """A variable-length quantity: at most four bytes, the last with bit 7 clear."""
        value = 0
        for _ in range(4):
            b = self.byte()
            value = value << 7 | b & 0x7F
            if b < 0x80:
                return value
        raise Refused("quantity longer than four bytes")


def header_and_tracks(smf):
    """The division and the header's count of track chunks as (offset of the body, body)."""
    c = Cursor(smf)
    if c.left() < 4 or c.take(4) != b"MThd":
        raise Refused("not a MIDI file")
    length = int.from_bytes(c.take(4), "big")
    if length < 6:
        raise Refused("header too short")
    header = c.take(length)
    ntracks = int.from_bytes(header[2:4], "big")
    division = int.from_bytes(header[4:6], "big")
    if ntracks > MAX_TRACKS or division == 0:
        raise Refused("header values")
    bodies = []
    for _ in range(ntracks):
        if c.take(4) != b"MTrk":
            raise Refused("not a track chunk")
        length = int.from_bytes(c.take(4), "big")
        bodies.append((c.pos, c.take(length)))
    return division, bodies


def messages(body):
    """The track's events as (offset, delta, status, meta type or None, bytes after the status)."""
    c = Cursor(body)
    last_channel_status = None
    while c.left():
        start = c.pos
        delta = c.quantity()
        first = c.byte()
        if first < 0x80:
            if last_channel_status is None:
                raise Refused("running status without a status")
            status, data = last_channel_status, bytes([first])
            data += c.take(CHANNEL_DATA_BYTES[status >> 4] - 1)
        elif first == 0xFF:
            mtype = c.byte()
            data = c.take(c.quantity())
            yield start, delta, first, mtype, data
            continue
        elif first in (0xF0, 0xF7):
            status, data = first, c.take(c.quantity())
        elif first > 0xF0:
            status, data = first, b""
        else:
            status, data = first, c.take(CHANNEL_DATA_BYTES[first >> 4])
            last_channel_status = first
        yield start, delta, status, None, data


def parse_track(body):
    """Events as (tick, status, (meta type, bytes) or None), checked against the reader's rules."""
    events, tick, ended, open_block = [], 0, False, False
    for _, delta, status, mtype, data in messages(body):
        if ended:
            raise Refused("event after the end of track")
        if open_block and status != 0xF7:
            raise Refused("system exclusive block not continued")
        tick += delta
        if tick > MAX_TICK:
            raise Refused("time out of range")
        if status == 0xFF:
            if len(data) > 0xFFFE:
                raise Refused("meta event too long")
            ended = mtype == 0x2F
        elif status in (0xF0, 0xF7):
            if len(data) > 0xFFFF:
                raise Refused("system exclusive block too long")
            open_block = not data or data[-1] != 0xF7
        events.append((tick, status, (mtype, data) if status == 0xFF else None))
        if len(events) > MAX_EVENTS:
            raise Refused("too many events")
    if not ended and len(events) == MAX_EVENTS:
        raise Refused("no room for the end of track")
    return events


def riff_payload(raw):
    """The data chunk of a RIFF RMID file."""
    c = Cursor(raw)
    if c.take(4) != b"RIFF":
        raise Refused("not RIFF")
    size = int.from_bytes(c.take(4), "little")
    form = Cursor(raw, c.pos, min(len(raw), c.pos + size))
    if form.take(4) != b"RMID":
        raise Refused("form")
    while form.left() >= 8:
        cid, n = form.take(4), int.from_bytes(form.take(4), "little")
        if cid == b"data":
            return form.take(n)
        form.take(min(n + (n & 1), form.left()))
    raise Refused("data chunk")


def latest_channel_tick(tracks):
    """Over all tracks, the tick of each track's last event below F0; 0 when there is none."""
    latest = 0
    for ev in tracks:
        ticks = [tick for tick, status, _ in ev if status < 0xF0]
        if ticks:
            latest = max(latest, ticks[-1])
    return latest


def tempo_changes(tracks):
    """Every track's tempo events as (tick, microseconds per quarter), in time order; events of
    the same tick in track order, as a sequencer merging the tracks plays them."""
    changes = []
    for number, ev in enumerate(tracks):
        for order, (tick, status, payload) in enumerate(ev):
            if status == 0xFF and payload[0] == 0x51 and len(payload[1]) >= 3:
                changes.append((tick, number, order, int.from_bytes(payload[1][:3], "big")))
    return [(tick, us) for tick, _, _, us in sorted(changes)]


def duration_ms(raw, riff=False):
    division, bodies = header_and_tracks(riff_payload(raw) if riff else raw)
    tracks = [parse_track(body) for _, body in bodies]
    latest = latest_channel_tick(tracks)
    # Whole ms per quarter, integer division per segment.
    mpq, tempo_tick, ms_at_tempo = 500, 0, 0
    for tick, us in tempo_changes(tracks):
        if tick > latest:
            break
        ms_at_tempo += (tick - tempo_tick) * mpq // division
        tempo_tick, mpq = tick, us // 1000
    return (latest - tempo_tick) * mpq // division + ms_at_tempo, tracks, division


def mido_comparison(tracks, division):
    """Whether mido's length measures the same span, and how far our rounding may fall short.

    mido runs to the last event of any kind; our rules stop at the last channel event. Where
    those agree, our result may fall short of mido's by the truncated microseconds of each
    quarter note and one millisecond per tempo segment.
    """
    latest = latest_channel_tick(tracks)
    last_any = max((ev[-1][0] for ev in tracks if ev), default=0)
    if last_any != latest:
        return 0, 0
    bound, us, seg_tick = 2, 500000, 0
    for tick, tempo in tempo_changes(tracks):
        if tick > latest:
            break
        bound += (tick - seg_tick) * (us % 1000) // 1000 // division + 1
        us, seg_tick = tempo, tick
    bound += (latest - seg_tick) * (us % 1000) // 1000 // division + 1
    return 1, bound


def verdict(raw):
    try:
        return duration_ms(raw)[0]
    except Refused:
        return -1


def edges(raw):
    """Offsets where a chunk or an event of a readable file begins: cutting there or one byte
    after leaves a file whose last piece is missing or incomplete."""
    try:
        _, bodies = header_and_tracks(raw)
    except Refused:
        return []
    found = [8, 14]
    for offset, body in bodies:
        found += [offset - 8, offset]
        try:
            found += [offset + start for start, *_ in messages(body)]
        except Refused:
            pass
    return found


def damaged_copies(raw, rng):
    """Copies cut at a few chunk and event edges, and copies with one to four bytes overwritten."""
    copies = []
    cuts = sorted(set(edges(raw)))
    for cut in rng.sample(cuts, min(4, len(cuts))):
        for at in (cut, cut + 1):
            if 0 < at < len(raw):
                copies.append(raw[:at])
    for _ in range(6):
        copy = bytearray(raw)
        for _ in range(rng.randint(1, 4)):
            copy[rng.randrange(len(copy))] = rng.randrange(256)
        copies.append(bytes(copy))
    return copies


def main():
    out = sys.argv[1]
    os.makedirs(os.path.join(out, "damaged"), exist_ok=True)
    root = os.environ.get("TB_CORPUS") or os.path.join(
        os.path.dirname(__file__), "..", "..", "build", "corpus", "files")
    try:
        import mido
    except ImportError:
        mido = None
    rng = random.Random(20261207)
    lines, damaged = [], []
    for dirpath, dirs, names in sorted(os.walk(root)):
        dirs.sort()
        for name in sorted(names):
            if name.startswith("."):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, root)
            raw = open(path, "rb").read()
            try:
                ours, tracks, division = duration_ms(raw, name.lower().endswith((".rmi", ".riff")))
                comparable, bound = mido_comparison(tracks, division)
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
            if ours >= 0:
                for copy in damaged_copies(raw, rng):
                    copy_name = "%04d.mid" % len(damaged)
                    with open(os.path.join(out, "damaged", copy_name), "wb") as f:
                        f.write(copy)
                    damaged.append(f"{copy_name}\t{verdict(copy)}\n")
    with open(os.path.join(out, "durations.tsv"), "w") as f:
        f.writelines(lines)
    with open(os.path.join(out, "damaged.tsv"), "w") as f:
        f.writelines(damaged)


if __name__ == "__main__":
    main()
