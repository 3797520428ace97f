"""Compressed sound for the conversion tests, made and decoded by sox (a peer tool): a 1000 Hz sine
as mu-law at 8000 Hz and as IMA ADPCM at 11025 Hz (block align 256), each as its WAV file's format
chunk and data, and sox's own 16-bit decoding of the same file."""
import math
import os
import struct
import subprocess
import sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def sine_wav(path, rate, seconds, amplitude):
    n = int(rate * seconds)
    data = b"".join(struct.pack("<h", int(round(amplitude * math.sin(2 * math.pi * 1000 * i / rate))))
                    for i in range(n))
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def chunks(path):
    with open(path, "rb") as f:
        raw = f.read()
    assert raw[:4] == b"RIFF" and raw[8:12] == b"WAVE"
    pos, found = 12, {}
    while pos + 8 <= len(raw):
        cid, size = raw[pos:pos + 4], struct.unpack("<I", raw[pos + 4:pos + 8])[0]
        found.setdefault(cid, raw[pos + 8:pos + 8 + size])
        pos += 8 + size + (size & 1)
    return found


def make(name, rate, encoding):
    src = os.path.join(out, name + "_src.wav")
    enc = os.path.join(out, name + ".wav")
    sine_wav(src, rate, 2, 20000)
    subprocess.run(["sox", src, "-e", encoding, enc], check=True)
    subprocess.run(["sox", enc, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L",
                    os.path.join(out, name + "_sox.raw")], check=True)
    c = chunks(enc)
    with open(os.path.join(out, name + ".fmt"), "wb") as f:
        f.write(c[b"fmt "])
    with open(os.path.join(out, name + ".data"), "wb") as f:
        f.write(c[b"data"])


make("mulaw", 8000, "mu-law")
make("ima", 11025, "ima-adpcm")
tag, _, _, _, align = struct.unpack("<HHIIH", open(os.path.join(out, "ima.fmt"), "rb").read()[:14])
assert tag == 0x11 and align == 256, (tag, align)
