#!/usr/bin/python3
"""Reads the messages the mail window sent (kept by tests/mailwin) with Python's email, zipfile
and binascii, and compares what they carry with the exported files kept beside them, or, for the
mails sent from the catalogue, with the titles cut out of the catalogue's Music.dax."""
import binascii
import email
import email.utils
import io
import json
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "lib"))
from records import load, stored_title  # noqa: E402

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


def text_of(msg):
    part = next(p for p in msg.walk() if p.get_content_type() == "text/plain")
    return part.get_payload(decode=True).decode("latin-1")


def check_catalogue_mails(root, check):
    """The mails of the end-to-end test: what each carries equals its titles as stored."""
    if not os.path.isdir(root):
        check(False, "e2e: nothing kept")
        return
    recs, dax = load(os.path.join(root, "catalogue"))
    live = {r["key"]: r for r in recs if r["live"]}
    kinds = {"menu": "zip", "single": "mime", "uucode": "uu", "drop": "zip", "samename": "zip"}
    for case, kind in kinds.items():
        folder = os.path.join(root, case)
        with open(os.path.join(folder, "message.eml"), "rb") as f:
            msg = email.message_from_binary_file(f)
        envelope = json.load(open(os.path.join(folder, "envelope.json")))
        titles = [live[int(k)] for k in open(os.path.join(folder, "keys.txt")).read().split()]
        want = sorted(stored_title(r, dax) for r in titles)
        where = "e2e %s: " % case
        check(envelope["mail_from"] == "me@example.com", where + "sender %r" % envelope["mail_from"])
        check(envelope["rcpt_tos"] == ["a@x.test", "b@y.test"], where + "rcpt %r" % envelope["rcpt_tos"])
        check(msg["Subject"] == "Two tunes", where + "subject %r" % msg["Subject"])
        to = [a for _, a in email.utils.getaddresses([msg["To"] or ""])]
        check(to == ["a@x.test", "b@y.test"], where + "To %r" % msg["To"])
        check(email.utils.parseaddr(msg["From"] or "")[1] == "me@example.com",
              where + "From %r" % msg["From"])
        if kind == "uu":
            body = msg.get_payload() if not msg.is_multipart() else ""
            got = uudecoded(body)
            check(body.splitlines()[:1] == ["Here they are"], where + "text first")
        else:
            got = attachments(msg)
            lines = text_of(msg).rstrip("\r\n").splitlines()
            check(lines[:1] == ["Here they are"], where + "text first, got %r" % lines[:1])
        if kind == "zip":
            check(list(got) == ["2 MIDI files.zip"], where + "one archive, got %s" % list(got))
            blob = got.get("2 MIDI files.zip")
            z = zipfile.ZipFile(io.BytesIO(blob)) if blob else None
            got = {n: z.read(n) for n in z.namelist()} if z else {}
            check(lines[-1] == FRAME and lines.count(FRAME) == 2, where + "text ends in the frame")
            check("The attached archive (2 MIDI files.zip) contains 2 MIDI files:" in lines,
                  where + "list head")
            for r in titles:
                check(sum(l.startswith('    "%s" by ' % r["title"]) for l in lines) ==
                      sum(t["title"] == r["title"] for t in titles), where + "list names %r" % r["title"])
        check(len(got) == 2 and all(n.lower().endswith(".mid") for n in got),
              where + "two .mid files, got %s" % sorted(got))
        check(sorted(got.values()) == want, where + "bytes differ from the stored titles")


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
    check(list(att) == ["2 MIDI files.zip"], "zip: one archive attached, got %s" % list(att))
    if "2 MIDI files.zip" in att:
        z = zipfile.ZipFile(io.BytesIO(att["2 MIDI files.zip"]))
        check({n: z.read(n) for n in z.namelist()} == files, "zip: entries differ from exports")
    body = next(p for p in msg.walk() if p.get_content_type() == "text/plain").get_payload(decode=True).decode()
    lines = body.rstrip("\r\n").splitlines()
    check(lines[0] == "Here they are", "zip: text first, got %r" % lines[:1])
    check(lines[-1] == FRAME and FRAME in lines[:-1], "zip: text ends in the frame")
    check('    "Alpha" by Bach, J.S.' in lines and '    "Beta" by Mozart, W.A.' in lines,
          "zip: the list names both titles")
    check("The attached archive (2 MIDI files.zip) contains 2 MIDI files:" in lines, "zip: list head")
    check(msg["Subject"] == "Two tunes", "zip: subject %r" % msg["Subject"])

    for case in ("single", "samename"):
        msg, files = load(case)
        att = attachments(msg)
        check(att == files, "%s: attachments %s differ from exports %s" % (case, sorted(att), sorted(files)))
        check(len(files) == 2, "%s: two files" % case)

    msg, files = load("uucode")
    check(uudecoded(msg.get_payload() if not msg.is_multipart() else "") == files,
          "uucode: uudecoded attachments differ")

    check_catalogue_mails(os.path.join(root, "e2e"), check)

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
