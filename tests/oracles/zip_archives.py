"""Archives made by Python's zipfile for the single-title unzip tests, some of them hostile.

Writes into OUTDIR one archive per case, named after the case, and names.txt listing each
archive with the bare file name an extraction must produce (empty when it must be refused).
"""
import os
import struct
import sys
import zipfile
import zlib

MIDI = b"MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk\x00\x00\x00\x04\x00\xff\x2f\x00"



def raw_name_archive(path, raw_name, data):
    """One stored entry whose name is raw bytes, without the UTF-8 flag (an ANSI name)."""
    crc = zlib.crc32(data)
    local = struct.pack("<4sHHHHHIIIHH", b"PK\x03\x04", 20, 0, 0, 0, 0, crc, len(data), len(data),
                        len(raw_name), 0) + raw_name + data
    central = struct.pack("<4sHHHHHHIIIHHHHHII", b"PK\x01\x02", 20, 20, 0, 0, 0, 0, crc, len(data),
                          len(data), len(raw_name), 0, 0, 0, 0, 0, 0) + raw_name
    end = struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, 1, 1, len(central), len(local), 0)
    with open(path, "wb") as f:
        f.write(local + central + end)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    cases = []

    def plain(case, name, expect, data=MIDI):
        p = os.path.join(out, case + ".zip")
        with zipfile.ZipFile(p, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr(name, data)
        cases.append((case, expect))

    open(os.path.join(out, "empty.zip"), "wb").close()
    with zipfile.ZipFile(os.path.join(out, "two.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("a.mid", MIDI)
        z.writestr("b.mid", MIDI)
    plain("subdir", "dir/x.mid", "x.mid")
    plain("folder", "sub/", "")
    plain("dotdot", "..\\x.mid", "x.mid")
    plain("dotdot2", "../../evil.mid", "evil.mid")
    plain("deep", "..\\..\\..\\..\\evil.mid", "evil.mid")
    plain("drive", "C:x.mid", "x.mid")
    plain("absolute", "C:\\Windows\\evil.mid", "evil.mid")
    plain("rooted", "/etc/evil.mid", "evil.mid")
    plain("dots", "..", "")
    plain("large", "big.mid", "big.mid", MIDI * 20000)
    raw_name_archive(os.path.join(out, "ansi.zip"), b"Caf\xe9 \xe0 la carte.mid", MIDI)
    cases.append(("ansi", "Caf\xe9 \xe0 la carte.mid"))
    # A stored CRC that does not match the data.
    p = os.path.join(out, "badcrc.zip")
    raw_name_archive(p, b"crc.mid", MIDI)
    blob = bytearray(open(p, "rb").read())
    for sig in (b"PK\x03\x04", b"PK\x01\x02"):
        at = blob.find(sig)
        off = at + (14 if sig == b"PK\x03\x04" else 16)
        blob[off] ^= 0xFF
    open(p, "wb").write(bytes(blob))
    cases.append(("badcrc", ""))
    with open(os.path.join(out, "names.txt"), "w", encoding="latin-1") as f:
        for case, expect in cases:
            f.write(f"{case}\t{expect}\n")
    open(os.path.join(out, "midi.bin"), "wb").write(MIDI)


if __name__ == "__main__":
    main()
