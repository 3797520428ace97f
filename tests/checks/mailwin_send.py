#!/usr/bin/python3
"""Reads the messages the mail window sent (kept by tests/mailwin) with Python's email, zipfile
and binascii, and compares what they carry with the exported files kept beside them."""
import binascii
import email
import io
import os
import sys
import zipfile

FRAME = "=" * 76


def files_of(folder):
    return {n: open(os.path.join(folder, n), "rb").read()
            for n in os.listdir(folder) if n.endswith(".mid")}


def attachments(msg):
    return {p.get_filename(): p.get_payload(decode=True)
            for p in msg.walk() if p.get_filename()}


def uudecoded(text):
    """Every "begin ... end" block of a text: name -> bytes."""
    found, lines, name = {}, None, None
    for line in text.splitlines():
        if line.startswith("begin "):
            name, lines = line.split(" ", 2)[2], []
        elif line == "end" and lines is not None:
            found[name] = b"".join(binascii.a2b_uu(l) for l in lines if l and l != "`")
            lines = None
        elif lines is not None:
            lines.append(line)
    return found


def main(root):
    failures = []

    def check(cond, what):
        if not cond:
            failures.append(what)

    def load(case):
        folder = os.path.join(root, case)
        with open(os.path.join(folder, "message.eml"), "rb") as f:
            return email.message_from_binary_file(f), files_of(folder)

    msg, files = load("zip")
    att = attachments(msg)
    check(list(att) == ["2MIDI files.zip"], "zip: one archive attached, got %s" % list(att))
    if "2MIDI files.zip" in att:
        z = zipfile.ZipFile(io.BytesIO(att["2MIDI files.zip"]))
        check({n: z.read(n) for n in z.namelist()} == files, "zip: entries differ from exports")
    body = next(p for p in msg.walk() if p.get_content_type() == "text/plain").get_payload(decode=True).decode()
    lines = body.rstrip("\r\n").splitlines()
    check(lines[0] == "Here they are", "zip: text first, got %r" % lines[:1])
    check(lines[-1] == FRAME and FRAME in lines[:-1], "zip: text ends in the frame")
    check('    "Alpha" by Bach, J.S.' in lines and '    "Beta" by Mozart, W.A.' in lines,
          "zip: the list names both titles")
    check("The attached archive (2MIDI files.zip) contains 2 MIDI(s):" in lines, "zip: list head")
    check(msg["Subject"] == "Two tunes", "zip: subject %r" % msg["Subject"])

    for case in ("single", "samename"):
        msg, files = load(case)
        att = attachments(msg)
        check(att == files, "%s: attachments %s differ from exports %s" % (case, sorted(att), sorted(files)))
        check(len(files) == 2, "%s: two files" % case)

    msg, files = load("uucode")
    check(uudecoded(msg.get_payload() if not msg.is_multipart() else "") == files,
          "uucode: uudecoded attachments differ")

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
