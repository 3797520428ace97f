#!/usr/bin/python3
"""Reads the message Tonalbrook.exe sent in tests/mailrun (as aiosmtpd stored it) with Python's
email and zipfile, and compares the MIDI file inside its archive with the title cut out of the
catalogue's Music.dax the program left behind."""
import email
import email.utils
import io
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "lib"))
from records import load, stored_title  # noqa: E402

root = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


with open(os.path.join(root, "message.eml"), "rb") as f:
    msg = email.message_from_binary_file(f)
title = open(os.path.join(root, "title.txt"), encoding="latin-1").read()
recs, dax = load(root)
mine = [r for r in recs if r["live"] and r["title"] == title]
check(len(mine) == 1, "one live title %r in the catalogue, found %d" % (title, len(mine)))

check(msg["Subject"] == "A tune", "subject %r" % msg["Subject"])
check(email.utils.parseaddr(msg["To"] or "")[1] == "a@x.test", "To %r" % msg["To"])
check(email.utils.parseaddr(msg["From"] or "")[1] == "me@example.com", "From %r" % msg["From"])
text = next(p for p in msg.walk() if p.get_content_type() == "text/plain")
lines = text.get_payload(decode=True).decode("latin-1").splitlines()
check(lines[:1] == ["Here it is"], "text first: %r" % lines[:1])
check('The attached archive (1 MIDI file.zip) contains 1 MIDI file:' in lines, "archive line")

parts = [p for p in msg.walk() if p.get_filename()]
check([p.get_filename() for p in parts] == ["1 MIDI file.zip"],
      "attachments %r" % [p.get_filename() for p in parts])
if parts and mine:
    with zipfile.ZipFile(io.BytesIO(parts[0].get_payload(decode=True))) as z:
        check(z.testzip() is None, "archive damaged")
        names = z.namelist()
        check(names == [title + ".mid"], "entries %r" % names)
        if names:
            got = z.read(names[0])
            check(got[:4] == b"MThd", "not a MIDI file")
            check(got == stored_title(mine[0], dax), "the mailed bytes differ from Music.dax")

# The transfer log the program wrote while it ran: the whole exchange in order, the body left out.
with open(os.path.join(root, "mail.log"), encoding="latin-1", newline="") as f:
    log = f.read()
check(log.endswith("\r\n"), "log lines end in CR LF")
lines = log.split("\r\n")[:-1]
expected = ["220 *", "HELO *", "250 *", "MAIL FROM:<me@example.com>", "250 *",
            "RCPT TO:<a@x.test>", "250 *", "DATA", "354 *", "Suppressing the message body", "",
            ".", "250 *", "QUIT", "221 *"]
check(len(lines) == len(expected), "log lines %r" % lines)
for got, want in zip(lines, expected):
    ok = got.startswith(want[:-1]) if want.endswith("*") else got == want
    check(ok, "log line %r, expected %r" % (got, want))
check("Here it is" not in log, "the body is not in the log")

for f in failures:
    print("FAIL:", f)
if failures:
    sys.exit(1)
print("the mailed title equals its stored bytes")
