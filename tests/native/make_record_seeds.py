# Writes a small intact catalogue (title index and data, categories, artists, albums, album rows)
# from the record layouts alone, as seeds for the native record fuzzer.
import io
import struct
import sys
import zipfile
from pathlib import Path


def short(text, room):
    data = text.encode("cp1252")[:room]
    return bytes([len(data)]) + data + bytes(room - len(data))


def midi(n):
    # A one-track Standard MIDI File whose note differs per title, so every CRC differs.
    track = bytes([0, 0x90, 60 + n, 100, 0x60, 0x80, 60 + n, 0, 0, 0xFF, 0x2F, 0])
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(track))
            + track)


def archive(data):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("AAATune.mid", data)
    return out.getvalue()


def tune(live, recno, offset, length, cat, perf, key, seconds, album, size, crc, cat_name, last,
         first, title, origin):
    full = (first.strip() + " " + last.strip()).strip()
    minutes = seconds // 60
    time_text = "?" if seconds < 1 else "%d:%02d" % (minutes, seconds % 60)
    rec = (short("MIDI", 4) + bytes([1 if live else 0]) + bytes(2)
           + struct.pack("<9iI", recno, offset, length, cat, perf, key, seconds, album, size, crc)
           + bytes(8) + short(time_text, 8) + short(cat_name, 40) + short(last, 40)
           + short(first, 40) + short(full, 82) + short(title, 125) + short(origin, 255) + bytes(3)
           + struct.pack("<dd", 44000.5 + recno, 45000.25 + recno))
    assert len(rec) == 672
    return rec


def list_rec(key, titles, seconds, size, name, tail):
    rec = struct.pack("<4i", key, titles, seconds, size) + short(name, 40) + bytes(3) + bytes(tail)
    assert len(rec) in (72, 76)
    return rec


def perf_rec(key, first, last):
    full = (first.strip() + " " + last.strip()).strip()
    rec = struct.pack("<i", key) + short(first, 40) + short(last, 40) + short(full, 82) + bytes(7)
    assert len(rec) == 176
    return rec


def main(folder):
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    cats = [(1, "Classical"), (2, "Pop"), (3, "Jazz \xe9t\xe9"), (4, "Folk")]
    perfs = [(1, "Johann Sebastian", "Bach"), (2, "", "Anonymous"), (3, "Ella", "Fitzgerald"),
             (4, "Fr\xe9d\xe9ric", "Chopin"), (5, "Scott", "Joplin")]
    index, data, rows = b"", b"", []
    for n in range(1, 13):
        body = midi(n)
        arc = archive(body)
        cat_key, cat_name = cats[n % 4]
        perf_key, first, last = perfs[n % 5]
        live = n not in (4, 9)  # two deleted titles still holding their archives
        crc = zipfile.crc32(body) & 0xFFFFFFFF
        rec_args = [live, n, len(data), len(arc), cat_key, perf_key, n, 60 * n + 7, 0, len(body),
                    crc, cat_name, last, first, "Title number %d" % n,
                    "C:\\Music\\Title %d.mid" % n]
        index += tune(*rec_args)
        if live and n % 3 == 0:  # titles 3, 6 and 12 in albums 1, 2 and 3, title 6 also in 1
            rows.append(rec_args[:8] + [{3: 1, 6: 2, 12: 3}[n]] + rec_args[9:])
            if n == 6:
                rows.append(rec_args[:8] + [1] + rec_args[9:])
        data += arc
    albums = [(1, "Evening"), (2, "Morning \xe0 deux"), (3, "Road trip")]
    files = {
        "Music.dex": index,
        "Music.dax": data,
        "Categories.dex": b"".join(list_rec(k, 3, 200, 1000, name, 12) for k, name in cats),
        "Artists.dex": b"".join(perf_rec(k, f, l) for k, f, l in perfs),
        "Albums_A.dex": b"".join(list_rec(k, 1, 60, 500, name, 16) for k, name in albums),
        "Albums_AT.dex": b"".join(tune(*r) for r in rows),
    }
    for name, content in files.items():
        (folder / name).write_bytes(content)


if __name__ == "__main__":
    main(sys.argv[1])
