"""Checks the archives that the Windows tests packed, with Python's zipfile and `unzip -t`.

Each manifest line names an archive, the entry it must hold and the file packed into it: the
entry must be that bare name, deflated, with the CRC-32 of the file's bytes.
"""
import subprocess
import sys
import zipfile
import zlib


def unix(path):
    return path[2:].replace(b"\\", b"/") if path[1:2] == b":" else path


def main():
    folder = sys.argv[1]
    expected = {}
    with open(folder + "/manifest.txt", "rb") as f:
        for line in f.read().splitlines():
            archive, entry, source = line.split(b"\t")
            expected.setdefault(unix(archive), []).append((entry, unix(source)))
    failures = 0
    for archive, entries in sorted(expected.items()):
        with zipfile.ZipFile(archive.decode("latin-1")) as z:
            infos = z.infolist()
            names = [i.orig_filename.encode("cp437") if not i.flag_bits & 0x800
                     else i.orig_filename.encode() for i in infos]
            want = [e for e, _ in entries]
            if names != want:
                print(f"{archive}: entries {names} instead of {want}")
                failures += 1
            for info, (_, source) in zip(infos, entries):
                data = open(source.decode("latin-1"), "rb").read()
                if info.compress_type != zipfile.ZIP_DEFLATED or info.CRC != zlib.crc32(data):
                    print(f"{archive}: {info.filename} not deflated or CRC differs")
                    failures += 1
                if z.read(info) != data:
                    print(f"{archive}: {info.filename} unpacks differently")
                    failures += 1
        r = subprocess.run(["unzip", "-tq", archive], capture_output=True)
        if r.returncode != 0:
            print(f"{archive}: unzip -t failed: {r.stdout!r}")
            failures += 1
    print(f"archives: {len(expected)} checked, {failures} failures")
    return 1 if failures or not expected else 0


if __name__ == "__main__":
    sys.exit(main())
