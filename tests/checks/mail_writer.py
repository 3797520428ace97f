"""Reads the messages the mail writer saved, with Python's email package and binascii.a2b_uu,
independently of the program: headers, content types, every attachment decoded byte for byte,
quoted-printable line lengths, uuencoded files of every size around a line."""
import binascii
import email
import email.policy
import email.utils
import os
import re
import sys

root = sys.argv[1]


def raw(name):
    return open(os.path.join(root, name), "rb").read()


def parse(name):
    return email.message_from_bytes(raw(name + ".eml"), policy=email.policy.default)


def lines_of(name):
    data = raw(name + ".eml")
    assert data.endswith(b"\r\n"), name
    return data[:-2].split(b"\r\n")


def check_common(name):
    msg = parse(name)
    assert email.utils.parsedate_to_datetime(msg["Date"]) is not None, name
    assert len(msg.get_all("Date")) == 1, name
    assert "Bcc" not in msg, name
    for line in lines_of(name):
        assert b"\n" not in line and b"\r" not in line, (name, line)
    return msg


def check_headers():
    msg = check_common("headers")
    assert msg["From"].addresses[0].display_name == "Smith, John"
    assert msg["From"].addresses[0].addr_spec == "js@example.com"
    to = [(a.display_name, a.addr_spec) for a in msg["To"].addresses]
    assert to == [("Ann Lee", "ann@example.com"), ("B. Brown", "bb@example.com"),
                  ("", "cc@example.com")], to
    cc = [(a.display_name, a.addr_spec) for a in msg["Cc"].addresses]
    assert cc == [('Dora \\ "D', "dora@example.com")], cc
    assert msg.get_all("Subject") == ["HelloBcc: evil@example.com"], msg.get_all("Subject")
    assert msg["X-Priority"] == "1"
    assert msg["Return-Receipt-To"] == "<js@example.com>"
    assert msg["X-Mailer"] == "Tonalbrook"
    assert msg["Mime-Version"] == "1.0"
    assert msg.get_content_type() == "text/plain"
    assert msg["Content-Transfer-Encoding"] == "7bit"
    assert msg.get_content() == "Hi.\r\n" or msg.get_content() == "Hi.\n", repr(msg.get_content())
    assert b"hidden@example.com" not in raw("headers.eml")


def check_content_types():
    msg = check_common("ct_empty")
    assert msg.get_content_type() == "text/plain"
    msg = check_common("ct_html")
    assert msg.get_content_type() == "text/html"
    assert msg["Content-Transfer-Encoding"].lower() == "quoted-printable"
    assert msg.get_payload(decode=True) == raw("_htmbody.htm").replace(b"\r\n", b"\n") or \
        msg.get_payload(decode=True) == raw("_htmbody.htm")
    msg = check_common("ct_single_mid")
    assert msg.get_content_type() == "audio/midi"
    assert msg.get_filename() == "song.mid"
    assert msg.get_payload(decode=True) == raw("song.mid")


def check_mixed():
    msg = check_common("mixed")
    assert msg.get_content_type() == "multipart/mixed"
    assert re.fullmatch(r"[0-8]{8}", msg.get_boundary()), msg.get_boundary()
    parts = list(msg.iter_parts())
    assert len(parts) == 3, len(parts)
    assert parts[0].get_content_type() == "text/plain"
    assert parts[0].get_payload(decode=True) == b"Here are the tunes.\r\n\r\nBye\r\n"
    assert parts[1].get_content_type() == "audio/midi"
    assert parts[1].get_filename() == "mixed_song.mid"
    assert parts[1].get_payload(decode=True) == raw("mixed_song.mid")
    assert parts[2].get_content_type() == "application/octet-stream"
    assert parts[2].get_filename() == "mixed_data.xyz9"
    assert parts[2].get_payload(decode=True) == raw("mixed_data.xyz9")


def check_latin():
    msg = check_common("latin")
    assert msg.get_content_type() == "text/plain"
    assert msg.get_content_charset() == "iso-8859-1"
    assert msg["Content-Transfer-Encoding"] == "quoted-printable"
    words = "".join("word%d%s" % (i, "=x " if i % 7 == 0 else " ") for i in range(40))
    expected = ("Caf\xe9 au lait\r\n" + words + "\t\r\n" + "\xe9" * 200 + "\r\n").encode("latin-1")
    assert msg.get_payload(decode=True) == expected, msg.get_payload(decode=True)
    body = raw("latin.eml").split(b"\r\n\r\n", 1)[1]
    assert b"Caf=E9 au lait" in body
    for line in body.split(b"\r\n"):
        assert len(line) <= 76, line
        assert not line.endswith(b" ") and not line.endswith(b"\t"), line
        assert not re.search(rb"=[0-9A-F]?=$", line) and not re.search(rb"=[0-9A-F]$", line), line


def check_uu():
    msg = check_common("uu")
    assert "Mime-Version" not in msg and "Content-Type" not in msg
    lines = lines_of("uu")
    files = {}
    i = 0
    while i < len(lines):
        m = re.fullmatch(rb"begin 600 (\S+)", lines[i])
        if m:
            data = b""
            i += 1
            while lines[i] != b"`":
                data += binascii.a2b_uu(lines[i])
                i += 1
            assert lines[i + 1] == b"end"
            files[m.group(1).decode()] = data
        i += 1
    sizes = [0, 1, 2, 3, 44, 45, 46, 4064]
    assert sorted(files) == sorted("uu_%d.bin" % n for n in sizes), sorted(files)
    for name, data in files.items():
        assert data == raw(name), name


for check in [check_headers, check_content_types, check_mixed, check_latin, check_uu]:
    check()
    print(check.__name__, "ok")
