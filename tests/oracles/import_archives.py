"""Archives of titles for the import tests, made by Python's zipfile from corpus files, some of
them hostile, and what an import of each must store.

Writes into OUTDIR the archives and expect.tsv, one line per archive entry that must become a
title: archive name, the entry's bare name, the CRC-32 (zlib) and size of its bytes, its duration
in whole seconds (midi_duration's rules, -1 refused), the corpus file it came from and, for an
entry whose name an earlier entry of the archive has already, its number in the archive (1-based;
its origin then ends in " (entry N)"), else 0.

Besides: twins.zip (one name twice, different bytes), twindups.zip (one name twice with the same
bytes, and another title), longnames.zip (two 300-character names that differ only at their
end), encrypted.zip (an entry encrypted with the traditional PKWARE cipher, checked by zipfile
with its password, and an open one) and bomb.zip (2000 central directory entries that all point
at one deflated body of BOMB_BODY bytes, "MThd" and zeros).
"""
import os
import random
import struct
import sys
import warnings
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


def raw_entry(name, data, crc=None, declared=None, flags=0, method=0):
    """An entry whose name is raw bytes; crc and declared size may lie; data as stored."""
    crc = zlib.crc32(data) if crc is None else crc
    size = len(data) if declared is None else declared
    local = struct.pack("<4sHHHHHIIIHH", b"PK\x03\x04", 20, flags, method, 0, 0, crc, len(data),
                        size, len(name), 0) + name + data
    central = struct.pack("<4sHHHHHHIIIHHHHHII", b"PK\x01\x02", 20, 20, flags, method, 0, 0, crc,
                          len(data), size, len(name), 0, 0, 0, 0, 0, 0) + name
    return local, central


def write_zip(path, body, directory, count):
    end = struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, count, count, len(directory), len(body),
                      0)
    with open(path, "wb") as f:
        f.write(body + directory + end)


def write_raw_archive(path, entries):
    body, directory = b"", b""
    for name, data, crc, declared, *flags in entries:
        local, central = raw_entry(name, data, crc, declared, *flags)
        central = central[:42] + struct.pack("<I", len(body)) + central[46:]
        body += local
        directory += central
    write_zip(path, body, directory, len(entries))


BOMB_BODY = 30 * 1024 * 1024
BOMB_ENTRIES = 2000


def crc_step(key, byte):
    """One step of the CRC-32 register, as the traditional PKWARE cipher updates its keys."""
    return ~zlib.crc32(bytes([byte]), ~key & 0xFFFFFFFF) & 0xFFFFFFFF


def pkware_encrypt(data, password, crc):
    """The traditional PKWARE encryption of an entry: 12 header bytes, the last the CRC's top byte,
    then the data, each byte XORed with the stream the three keys give."""
    keys = [0x12345678, 0x23456789, 0x34567890]

    def update(byte):
        keys[0] = crc_step(keys[0], byte)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = crc_step(keys[2], keys[1] >> 24)

    for byte in password:
        update(byte)
    out = bytearray()
    rng = random.Random(7)
    for byte in bytes(rng.randrange(256) for _ in range(11)) + bytes([crc >> 24]) + data:
        temp = (keys[2] | 2) & 0xFFFF
        out.append(byte ^ (((temp * (temp ^ 1)) >> 8) & 0xFF))
        update(byte)
    return bytes(out)


def write_encrypted_archive(path, secret, plain, password):
    """secret.mid encrypted (flag bit 0), open.mid as it is; zipfile reads both back."""
    crc = zlib.crc32(secret) & 0xFFFFFFFF
    write_raw_archive(path, [(b"secret.mid", pkware_encrypt(secret, password, crc), crc,
                              len(secret), 1), (b"open.mid", plain, None, None)])
    with zipfile.ZipFile(path) as z:
        assert z.getinfo("secret.mid").flag_bits & 1
        assert z.read("secret.mid", pwd=password) == secret
        assert z.read("open.mid") == plain


def write_bomb(path):
    """Many entries sharing one body: the central directory names each, the data is there once."""
    body = b"MThd" + bytes(BOMB_BODY - 4)
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = packer.compress(body) + packer.flush()
    crc = zlib.crc32(body) & 0xFFFFFFFF
    local, _ = raw_entry(b"tune0001.mid", packed, crc, len(body), 0, 8)
    directory = b"".join(raw_entry(b"tune%04d.mid" % n, packed, crc, len(body), 0, 8)[1]
                         for n in range(1, BOMB_ENTRIES + 1))
    write_zip(path, local, directory, BOMB_ENTRIES)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    root = os.environ.get("TB_CORPUS") or os.path.join(
        os.path.dirname(__file__), "..", "..", "build", "corpus", "files")
    files = corpus_files(root)
    lines = []

    def expect(archive, name, data, source, twin=0):
        lines.append("%s\t%s\t%d\t%d\t%d\t%s\t%d\n" % (
            archive, name, zlib.crc32(data) & 0xFFFFFFFF, len(data), seconds(data),
            os.path.relpath(source, root), twin))

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
        for name, data, source, twin in [("a/x.mid", a, songwrite[0], 0),
                                         ("b/x.mid", b, songwrite[1], 2),
                                         ("../evil.mid", a, songwrite[0], 0),
                                         ("C:evil2.mid", b, songwrite[1], 0),
                                         ("/rooted.mid", a, songwrite[0], 0),
                                         ("CON", b, songwrite[1], 0),
                                         ("aux.mid", a, songwrite[0], 0)]:
            z.writestr(zipfile.ZipInfo(name), data, zipfile.ZIP_DEFLATED)
            expect(hostile, name.replace("\\", "/").split("/")[-1].split(":")[-1], data, source,
                   twin)
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
    # One name twice: different bytes are two titles, the same bytes one.
    c = open(songwrite[2], "rb").read()
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # zipfile warns of the name given twice
        with zipfile.ZipFile(os.path.join(out, "twins.zip"), "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("dup.mid", a)
            z.writestr("dup.mid", b)
        with zipfile.ZipFile(os.path.join(out, "twindups.zip"), "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("dup.mid", a)
            z.writestr("other.mid", c)
            z.writestr("dup.mid", a)
    expect("twins.zip", "dup.mid", a, songwrite[0])
    expect("twins.zip", "dup.mid", b, songwrite[1], 2)
    expect("twindups.zip", "dup.mid", a, songwrite[0])
    expect("twindups.zip", "other.mid", c, songwrite[2])
    # Names of 300 characters that differ only in their last ones.
    long_one, long_two = "n" * 295 + "1.mid", "n" * 295 + "2.mid"
    with zipfile.ZipFile(os.path.join(out, "longnames.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(long_one, a)
        z.writestr(long_two, b)
    expect("longnames.zip", long_one, a, songwrite[0])
    expect("longnames.zip", long_two, b, songwrite[1], 2)
    write_encrypted_archive(os.path.join(out, "encrypted.zip"), a, b, b"tonal")
    expect("encrypted.zip", "open.mid", b, songwrite[1])
    write_bomb(os.path.join(out, "bomb.zip"))
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
