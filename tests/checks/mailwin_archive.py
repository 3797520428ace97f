#!/usr/bin/python3
"""Reads the archive the mail window sent for rows that share a file name (kept by tests/mailwin)
with Python's email and zipfile: every row must be an entry of its own, holding that row's file,
and the mail's text must count them all."""
import email
import io
import os
import sys
import zipfile

root = sys.argv[1]
lines = open(os.path.join(root, "expected.tsv"), encoding="latin-1").read().splitlines()
archive, count = lines[0].split("\t")
expected = [l.split("\t") for l in lines[1:]]
with open(os.path.join(root, "message.eml"), "rb") as f:
    msg = email.message_from_binary_file(f)
parts = {p.get_filename(): p.get_payload(decode=True) for p in msg.walk() if p.get_filename()}
assert list(parts) == [archive], sorted(parts)
text = next(p for p in msg.walk() if p.get_content_type() == "text/plain")
body = text.get_payload(decode=True).decode("latin-1").splitlines()
line = "The attached archive (%s) contains %s MIDI %s:" % (archive, count,
                                                          "file" if count == "1" else "files")
assert line in body, body
with zipfile.ZipFile(io.BytesIO(parts[archive])) as z:
    assert z.testzip() is None
    names = z.namelist()
    assert len(names) == int(count), names
    assert sorted(names) == sorted(e for e, _ in expected), names
    for entry, source in expected:
        want = open(os.path.join(root, source), "rb").read()
        assert z.read(entry) == want, entry
print("%d rows, %d entries, each with its own file" % (int(count), len(names)))
