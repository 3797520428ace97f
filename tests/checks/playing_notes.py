"""Reads what the silent MIDI output received while the program played titles through the real
sequencer, and compares the notes of each title with mido's reading of the same file: the same
note-ons and note-offs in the same order, each within 50 ms of its time in the file, counted from
the title's first message. Wine's sequencer ends a title on the first event of its last tick and
resets the output, which silences every note: note-offs after that one may be missing then."""
import os
import sys

import mido

TOLERANCE_MS = 50.0
root = sys.argv[1]


def note(status, data1, data2):
    """A note message as (kind, channel, note, velocity); a note-on of velocity 0 is a note-off."""
    kind, channel = status & 0xF0, status & 0x0F
    if kind == 0x90 and data2 > 0:
        return ("on", channel, data1, data2)
    if kind in (0x80, 0x90):
        return ("off", channel, data1, 0)
    return None


def file_messages(path):
    """Every channel message of the file with its time in ms from the file's first one."""
    out, now, first = [], 0.0, None
    for msg in mido.MidiFile(path):
        now += msg.time * 1000.0
        if msg.is_meta or msg.type == "sysex":
            continue
        if first is None:
            first = now
        out.append((now - first, msg.bytes()))
    return out


def segments(log_path):
    """The log cut at each opening of the output; each part a list of (ms, bytes), and whether
    the output was reset at its end."""
    parts, current = [], None
    for line in open(log_path):
        fields = line.split()
        if len(fields) < 2:
            continue
        ms, rest = float(fields[0]), fields[1:]
        if rest == ["open"]:
            current = ([], [False])
            parts.append(current)
        elif current is None:
            continue
        elif rest == ["reset"]:
            current[1][0] = True
        elif rest != ["close"]:
            current[0].append((ms, [int(b, 16) for b in rest]))
    return [(messages, reset[0]) for messages, reset in parts]


def notes_of(messages):
    """The note messages, timed from the first message of all."""
    if not messages:
        return []
    start = messages[0][0]
    out = []
    for ms, data in messages:
        if len(data) == 3:
            n = note(*data)
            if n:
                out.append((ms - start, n))
    return out


def check_run(folder):
    expected = open(os.path.join(folder, "expected.txt")).read().split()
    parts = segments(os.path.join(folder, "midi.log"))
    # The title that was playing when the log was cut, and the one playing at its end, are parts.
    assert len(parts) >= len(expected) + 1, (folder, len(parts), expected)
    complete = parts[: len(expected)]
    worst = 0.0
    for name, (got, reset) in zip(expected, complete):
        want = notes_of([(ms, data) for ms, data in file_messages(os.path.join(folder, name))])
        heard = notes_of(got)
        if reset and len(heard) < len(want):
            # Only note-offs of the last tick may give way to the reset.
            end, rest = want[-1][0], want[len(heard):]
            if all(n[0] == "off" and t == end for t, n in rest):
                want = want[: len(heard)]
        assert [n for _, n in heard] == [n for _, n in want], (
            name, [n for _, n in heard], [n for _, n in want])
        for (t_got, n), (t_want, _) in zip(heard, want):
            error = abs(t_got - t_want)
            worst = max(worst, error)
            assert error <= TOLERANCE_MS, (name, n, t_got, t_want)
    return len(expected), worst


total, worst = 0, 0.0
for run in sorted(os.listdir(root)):
    folder = os.path.join(root, run)
    if os.path.isfile(os.path.join(folder, "expected.txt")):
        count, error = check_run(folder)
        total += count
        worst = max(worst, error)
assert total > 0, "no run left its log in %s" % root
print("%d titles heard as mido reads them; largest timing error %.1f ms" % (total, worst))
