"""Builds the mail encoders natively with AddressSanitizer and UBSan and decodes what they write
with Python's binascii: base64, quoted-printable and uuencode of many inputs, line limits too."""
import binascii
import os
import random
import subprocess
import sys

top, out = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)
exe = os.path.join(out, "encode_harness")
subprocess.run(["g++", "-std=c++20", "-g", "-O1", "-fsanitize=address,undefined",
                "-fno-sanitize-recover=all", "-Wall", "-Wextra", "-Werror",
                "-I" + os.path.join(top, "mail"),
                os.path.join(top, "mail", "msmime.cpp"), os.path.join(top, "mail", "msuucode.cpp"),
                os.path.join(top, "tests", "mail", "native", "EncodeHarness.cpp"), "-o", exe],
               check=True)


def encode(mode, data):
    lines = subprocess.run([exe, mode], input=data, capture_output=True, check=True).stdout
    assert lines == b"" or lines.endswith(b"\r\n"), (mode, lines[-10:])
    return lines[:-2].split(b"\r\n") if lines else []


rng = random.Random(20261207)
sizes = [0, 1, 2, 3, 44, 45, 46, 56, 57, 58, 4064] + [rng.randrange(1, 5000) for _ in range(40)]
for size in sizes:
    data = bytes(rng.randrange(256) for _ in range(size))
    lines = encode("base64", data)
    assert all(len(line) <= 76 for line in lines), size
    assert binascii.a2b_base64(b"".join(lines)) == data, size
    lines = encode("uu", data)
    assert b"".join(binascii.a2b_uu(line) for line in lines) == data, size

alphabet = b"ab =.\t\xe9\x01" + bytes(range(33, 127))
for n in range(300):
    paragraphs = [bytes(rng.choice(alphabet) for _ in range(rng.randrange(0, 400)))
                  for _ in range(rng.randrange(1, 5))]
    text = b"\r\n".join(paragraphs)
    lines = encode("qp", text)
    for line in lines:
        assert len(line) <= 76, line
        assert not line.endswith((b" ", b"\t")), line
    decoded = binascii.a2b_qp(b"\r\n".join(lines))
    # A last empty paragraph writes no line of its own.
    expected = text if paragraphs[-1] else b"\r\n".join(paragraphs[:-1])
    assert decoded.replace(b"\n", b"\r\n").replace(b"\r\r\n", b"\r\n") == expected or \
        decoded == expected, (text, lines)
print("encoders ok:", len(sizes), "binary inputs,", 300, "texts")
