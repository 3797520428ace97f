"""Catalogue records written field by field with struct from the record tables, as golden files."""
import datetime
import os
import sys
import struct

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

# "p" is a length-prefixed string: one length byte, then the text cut to the room, zero-padded.
TUNE = struct.Struct("<5pB2xiiiiiiiiiI8x9p41p41p41p83p126p256p3xdd")
CAT = struct.Struct("<iiii41p3x12x")
ALB = struct.Struct("<iiii41p3x16x")
PERF = struct.Struct("<i41p41p83p7x")
assert (TUNE.size, CAT.size, ALB.size, PERF.size) == (672, 72, 76, 176)

EPOCH = datetime.datetime(1899, 12, 30)


def days(dt):
    return (dt - EPOCH) / datetime.timedelta(days=1)


def tune(ftype, live, recno, offset, length, cat, perf, master, secs, album, size, crc,
         timetext, catname, last, first, full, title, origin, stamp, obtained):
    return TUNE.pack(ftype, live, recno, offset, length, cat, perf, master, secs, album, size, crc,
                     timetext, catname, last, first, full, title, origin, days(stamp),
                     days(obtained))


tunes = [
    tune(b"MIDI", 1, 1, 0, 1234, 3, 7, 42, 125, 0, 5678, 0xDEADBEEF, b"2:05", b"Jazz",
         b"Brubeck", b"Dave", b"Dave Brubeck", b"Take Five", b"C:\\Music\\take5.mid",
         datetime.datetime(1999, 12, 31, 23, 59, 58), datetime.datetime(2024, 2, 29, 12, 0, 0)),
    tune(b"RMI", 0, 2, 1234, 99, -1, 0, 2147483647, 3600, 5, 2147483647, 0xFFFFFFFF,
         b"1:00:00", b"C" * 40, b"L" * 40, b"", b"L" * 40, b"T" * 130, b"O" * 300,
         datetime.datetime(1899, 12, 30), datetime.datetime(2038, 1, 19, 3, 14, 7, 123000)),
    tune(b"MIDI", 1, 3, -5, 0, 0, -2, 1, 0, 0, 0, 0, b"?", b"", b"", b"", b"",
         b"Caf\xe9 \xc0 la carte", b"D:\\\xc9t\xe9\\x.rmi",
         datetime.datetime(2000, 2, 29, 6, 7, 8, 9000), datetime.datetime(1970, 1, 1)),
]
with open(os.path.join(out, "tunes.dex"), "wb") as f:
    f.write(b"".join(tunes))
    f.write(b"\x01" * 100)  # a trailing partial record, never read

with open(os.path.join(out, "categories.dex"), "wb") as f:
    f.write(CAT.pack(1, 12, 3725, 1234567, b"Pop"))
    f.write(CAT.pack(-7, 0, 0, 0, b"N" * 45))
    f.write(b"\x02" * 71)
with open(os.path.join(out, "albums.dex"), "wb") as f:
    f.write(ALB.pack(9, 2, 61, 999, b"Best of"))
    f.write(ALB.pack(2147483647, -1, -1, -1, b""))
with open(os.path.join(out, "artists.dex"), "wb") as f:
    f.write(PERF.pack(5, b"Dave", b"Brubeck", b"Dave Brubeck"))
    f.write(PERF.pack(6, b"F" * 41, b"", b"F" * 90))


def time_text(s):
    if s < 1:
        return "?"
    m, sec = divmod(s, 60)
    if m < 60:
        return "%d:%02d" % (m, sec)
    return "%d:%02d:%02d" % (m // 60, m % 60, sec)


def trim(b):
    i, j = 0, len(b)
    while i < j and b[i] <= 32:
        i += 1
    while j > i and b[j - 1] <= 32:
        j -= 1
    return b[i:j]


# A new title record as the data module builds it from these inputs, master key 43.
first, last = b"  Dave ", b"Brubeck  "
with open(os.path.join(out, "newtune.dex"), "wb") as f:
    f.write(TUNE.pack(b"MIDIfile"[:4], 0, 0, 0, 0, 3, 7, 43, 3725, 0, 4096, 0x01020304,
                      time_text(3725).encode(), b"Jazz", last, first,
                      trim(trim(first) + b" " + trim(last)), trim(b"  Blue Rondo \t"),
                      trim(b" C:\\x\\blue.mid  "),
                      days(datetime.datetime(2001, 9, 8, 7, 6, 5)),
                      days(datetime.datetime(2023, 1, 2, 3, 4, 5))))

# Date-time values as Python computes them: y m d h n s ms and the day count.
with open(os.path.join(out, "dates.txt"), "w") as f:
    for dt in (datetime.datetime(1899, 12, 30), datetime.datetime(1900, 3, 1),
               datetime.datetime(1999, 12, 31, 23, 59, 58), datetime.datetime(2000, 2, 29, 12),
               datetime.datetime(2024, 2, 29, 0, 0, 1, 1000),
               datetime.datetime(2038, 1, 19, 3, 14, 7, 123000),
               datetime.datetime(9999, 12, 31, 23, 59, 59, 999000)):
        f.write("%d %d %d %d %d %d %d %r\n" % (dt.year, dt.month, dt.day, dt.hour, dt.minute,
                                               dt.second, dt.microsecond // 1000, days(dt)))
