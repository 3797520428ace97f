"""Archives of titles for the import tests, made by Python's zipfile from corpus files, some of
them hostile, and what an import of each must store.

Writes into OUTDIR the archives and expect.tsv, one line per archive entry that must become a
title: archive name, the entry's bare name, the CRC-32 (zlib) and size of its bytes, its duration
in whole seconds (midi_duration's rules, -1 refused) and the corpus file it came from.
"""
import os
import struct
import sys
import zipfile
import zlib

sys.path.insert(0, os.path.dirname(__file__))
import midi_duration  # noqa: E402


def corpus_files(root):
    files = []
    for dirpath, _, names in sorted(os.walk(root)):
        for name in sorted(names):
            if name.lower().endswith(".mid"):
                files.append(os.path.join(dirpath, name))
    return files


def seconds(raw):
    ms = midi_duration.verdict(raw)
    return ms // 1000 if ms >= 0 else -1


def raw_entry(name, data, crc=None, declared=None):
    """A stored entry whose name is raw bytes; crc and declared size may lie."""
    crc = zlib.crc32(data) if crc is None else crc
    size = len(data) if declared is None else declared
    local = struct.pack("<4sHHHHHIIIHH", b"PK\x03\x04", 20, 0, 0, 0, 0, crc, len(data), size,
                        len(name), 0) + name + data
    central = struct.pack("<4sHHHHHHIIIHHHHHII", b"PK\x01\x02", 20, 20, 0, 0, 0, 0, crc,
                          len(data), size, len(name), 0, 0, 0, 0, 0, 0) + name
    return local, central


def write_raw_archive(path, entries):
    body, directory = b"", b""
    for name, data, crc, declared in entries:
        local, central = raw_entry(name, data, crc, declared)
        central = central[:42] + struct.pack("<I", len(body)) + central[46:]
        body += local
        directory += central
    end = struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, len(entries), len(entries),
                      len(directory), len(body), 0)
    with open(path, "wb") as f:
        f.write(body + directory + end)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    root = os.environ.get("TB_CORPUS") or os.path.join(
        os.path.dirname(__file__), "..", "..", "build", "corpus", "files")
    files = corpus_files(root)
    lines = []

    def expect(archive, name, data, source):
        lines.append("%s\t%s\t%d\t%d\t%d\t%s\n" % (archive, name, zlib.crc32(data) & 0xFFFFFFFF,
                                                  len(data), seconds(data),
                                                  os.path.relpath(source, root)))

    def titles(archive, picked):
        with zipfile.ZipFile(os.path.join(out, archive), "w", zipfile.ZIP_DEFLATED) as z:
            for source in picked:
                data = open(source, "rb").read()
                name = os.path.basename(source)
                z.writestr(name, data)
                expect(archive, name, data, source)

    songwrite = [f for f in files if os.sep + "songwrite" + os.sep in f]
    mma = [f for f in files if os.sep + "mma" + os.sep in f]
    titles("three.zip", songwrite[:3])
    titles("six.zip", mma[:6])

    # Hostile names and entries, each failing alone or landing under its bare name.
    a = open(songwrite[0], "rb").read()
    b = open(songwrite[1], "rb").read()
    hostile = "hostile.zip"
    with zipfile.ZipFile(os.path.join(out, hostile), "w", zipfile.ZIP_DEFLATED) as z:
        for name, data, source in [("a/x.mid", a, songwrite[0]), ("b/x.mid", b, songwrite[1]),
                                   ("../evil.mid", a, songwrite[0]),
                                   ("C:evil2.mid", b, songwrite[1]),
                                   ("/rooted.mid", a, songwrite[0]), ("CON", b, songwrite[1]),
                                   ("aux.mid", a, songwrite[0])]:
            z.writestr(zipfile.ZipInfo(name), data, zipfile.ZIP_DEFLATED)
            expect(hostile, name.replace("\\", "/").split("/")[-1].split(":")[-1], data, source)
        z.writestr("folder/", b"")
        z.writestr("zero.mid", b"")
        z.writestr("text.mid", b"These are words, not music.\n" * 4)
        inner = os.path.join(out, "inner.tmp")
        with zipfile.ZipFile(inner, "w") as n:
            n.writestr("in.mid", a)
        z.writestr("nested.zip", open(inner, "rb").read())
        os.remove(inner)
    # Backslashes in stored names, which zipfile would turn into folders.
    write_raw_archive(os.path.join(out, "backslash.zip"),
                      [(b"..\\evil3.mid", a, None, None), (b"good.mid", b, None, None)])
    expect("backslash.zip", "evil3.mid", a, songwrite[0])
    expect("backslash.zip", "good.mid", b, songwrite[1])
    # A stored entry whose CRC is wrong, beside a good one.
    write_raw_archive(os.path.join(out, "badcrc.zip"),
                      [(b"bad.mid", a, zlib.crc32(a) ^ 1, None), (b"fine.mid", b, None, None)])
    expect("badcrc.zip", "fine.mid", b, songwrite[1])
    # An entry that really is over 64 MB (deflated zeros), beside a good one.
    with zipfile.ZipFile(os.path.join(out, "huge.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("huge.mid", b"MThd" + bytes(65 * 1024 * 1024))
        z.writestr("small.mid", a)
    expect("huge.zip", "small.mid", a, songwrite[0])
    # Not archives at all, or cut short.
    whole = open(os.path.join(out, "three.zip"), "rb").read()
    with open(os.path.join(out, "truncated.zip"), "wb") as f:
        f.write(whole[:len(whole) // 2])
    with open(os.path.join(out, "notzip.zip"), "wb") as f:
        f.write(b"This is not an archive.\n" * 10)
    open(os.path.join(out, "emptyfile.zip"), "wb").close()

    with open(os.path.join(out, "expect.tsv"), "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
