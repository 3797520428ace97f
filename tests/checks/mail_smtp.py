"""Reads what aiosmtpd received from the SMTP client, with Python's email package and
binascii.a2b_uu: the body's dot lines arrive intact and the attachment decodes byte for byte,
MIME and uuencoded alike."""
import binascii
import email
import email.policy
import os
import sys

root = sys.argv[1]
song = open(os.path.join(root, "sent_song.mid"), "rb").read()
assert len(song) == 4064
dots = [b".", b"..", b".x", b"plain", b"...", b". "]

mime = email.message_from_bytes(open(os.path.join(root, "mime.eml"), "rb").read(),
                                policy=email.policy.default)
assert mime.get_content_type() == "multipart/mixed"
body, attachment = list(mime.iter_parts())
assert body.get_payload(decode=True).split(b"\r\n")[:6] == dots, body.get_payload(decode=True)
assert attachment.get_filename() == "sent_song.mid"
assert attachment.get_payload(decode=True) == song
print("mime ok")

uu = open(os.path.join(root, "uu.eml"), "rb").read().split(b"\r\n")
start = uu.index(b"")  # the end of the headers
assert uu[start + 1:start + 7] == dots, uu[start + 1:start + 7]
begin = uu.index(b"begin 600 sent_song.mid")
data = b""
i = begin + 1
while uu[i] != b"`":
    data += binascii.a2b_uu(uu[i])
    i += 1
assert uu[i + 1] == b"end"
assert data == song
print("uu ok")

# A mail of lines too long for the wire: the 7bit file went as base64 and decodes whole, the
# long header unfolds to its words, and no line is longer than SMTP allows.
long_raw = open(os.path.join(root, "long_mime.eml"), "rb").read()
assert all(len(line) <= 998 for line in long_raw.split(b"\r\n")), "a line over 998"
long_mail = email.message_from_bytes(long_raw, policy=email.policy.default)
words = open(os.path.join(root, "long_header.txt")).read()
assert long_mail["X-Long"].split() == words.split()
parts = {p.get_filename(): p for p in long_mail.iter_parts()}
original = open(os.path.join(root, "long_lines.eml"), "rb").read()
assert parts["long_lines.eml"].get_payload(decode=True) == original
print("long lines ok")
