#!/usr/bin/python3
"""Loopback peers of the mail tests: aiosmtpd keeping what it receives, scripted SMTP servers
that misbehave in one way each, and a control server for the socket layer.

Scripted servers: each notes the client's lines in NAME.log ("CONNECT" first); "rawdata" also
keeps the bytes of its last DATA as they came in rawdata.bin; "trickle", "endless" and "flood"
greet with no end (a byte every half second, a "220-" line every 0.3 s, lines without pause);
"mute" takes the connection and never says a word.

  mail_servers.py start DIR   starts them in the background and writes DIR/ports ("name=port")
  mail_servers.py stop DIR    stops them
"""
import asyncio
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import time


def start(folder):
    # Every run starts from an empty folder: what a test finds there came in this run.
    stop(folder)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder, exist_ok=True)
    ports = os.path.join(folder, "ports")
    if os.path.exists(ports):
        os.remove(ports)
    # A session of its own and no inherited pipes: ctest waits for neither.
    with open(os.path.join(folder, "servers.out"), "w") as out:
        proc = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", folder],
                                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                start_new_session=True, close_fds=True)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(proc.pid))
    for _ in range(200):
        if os.path.exists(ports):
            print(open(ports).read())
            return 0
        if proc.poll() is not None:
            break
        time.sleep(0.05)
    print(open(os.path.join(folder, "servers.out")).read(), file=sys.stderr)
    return 1


def stop(folder):
    pidfile = os.path.join(folder, "pid")
    if os.path.exists(pidfile):
        try:
            os.kill(int(open(pidfile).read()), signal.SIGTERM)
        except (OSError, ValueError):
            pass
        os.remove(pidfile)
    return 0


class Keeper:
    """aiosmtpd handler: each message as NNNN.eml (the data as it arrived) and NNNN.json."""

    def __init__(self, folder):
        self.folder = os.path.join(folder, "received")
        os.makedirs(self.folder, exist_ok=True)
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%04d" % self.count)
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        # The envelope last, so that a reader that sees it finds the data complete.
        with open(base + ".tmp", "w") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos}, f)
        os.replace(base + ".tmp", base + ".json")
        return "250 Message accepted for delivery"


def transcript(folder, name):
    path = os.path.join(folder, name + ".log")

    def note(line):
        with open(path, "a") as f:
            f.write(line + "\n")
    return note


async def scripted(folder, name, reader, writer):
    """One SMTP session of the server called name; every client line goes to NAME.log."""
    note = transcript(folder, name)
    note("CONNECT")

    async def say(text):
        writer.write(text)
        await writer.drain()

    async def close():
        writer.close()

    if name == "mute":
        # Takes the connection and says nothing, ever: the client waits for a greeting.
        try:
            await asyncio.wait_for(reader.read(), 600)
        except (asyncio.TimeoutError, ConnectionError, OSError):
            pass
        note("GONE")
        await close()
        return
    if name == "greet554":
        await say(b"554 No service here\r\n")
        await close()
        return
    if name in ("trickle", "endless", "flood"):
        # Never a whole greeting; bounded, so that a client that never gives up ends one day.
        end = time.monotonic() + 600
        try:
            if name == "trickle":
                await say(b"220 ")
            while time.monotonic() < end:
                if name == "trickle":
                    await say(b"x")
                    await asyncio.sleep(0.5)
                elif name == "endless":
                    await say(b"220-still greeting\r\n")
                    await asyncio.sleep(0.3)
                else:
                    await say((b"220-" + b"f" * 250 + b"\r\n") * 64)
        except (ConnectionError, OSError):
            note("GONE")
        await close()
        return
    if name == "greetbare":
        await say(b"220-first line\r\n220-second line\r\n220\r\n")
    else:
        await say(b"220-scripted " + name.encode() + b" ready\r\n220 and waiting\r\n")
    in_data = False
    data = b""
    while True:
        line = await reader.readline()
        if not line:
            note("EOF")
            return
        text = line.decode("latin-1").rstrip("\r\n")
        if in_data:
            if line == b".\r\n":
                in_data = False
                note("END DATA")
                if name == "rawdata":
                    with open(os.path.join(folder, "rawdata.bin"), "wb") as f:
                        f.write(data)
                data = b""
                await say(b"554 Transaction failed\r\n" if name == "dot554" else b"250 Taken\r\n")
            else:
                data += line
            continue
        note(text)
        verb = text.split(" ")[0].split(":")[0].upper()
        if verb == "HELO":
            if name == "helobare" and text != "HELO":
                await say(b"501 Give no name\r\n")
            else:
                await say(b"250 Hello\r\n")
        elif verb == "MAIL":
            await say(b"250 Sender fine\r\n")
            if name == "dropmail":
                await close()
                note("DROPPED")
                return
            if name == "silence":
                await asyncio.sleep(3600)
        elif verb == "RCPT":
            if "bad" in text:
                await say(b"550 No such user here\r\n")
            else:
                await say(b"250 Recipient fine\r\n")
        elif verb == "DATA":
            if name == "data250":
                await say(b"250 Not what you expected\r\n")
            else:
                in_data = True
                await say(b"354 Go ahead\r\n")
        elif verb == "QUIT":
            await say(b"221 Bye\r\n")
            await close()
            return
        else:
            await say(b"502 Unknown\r\n")


async def control(folder, reader, writer):
    """The socket layer's peer: EMIT HEX sends bytes, SINK N keeps the next N bytes in
    sink_N.bin and answers "GOT N", STALL stops reading, CLOSE hangs up."""
    while True:
        line = await reader.readline()
        if not line:
            return
        words = line.decode("latin-1").split()
        if not words:
            continue
        if words[0] == "EMIT":
            writer.write(bytes.fromhex(words[1]) if len(words) > 1 else b"")
            await writer.drain()
        elif words[0] == "SINK":
            n = int(words[1])
            data = await reader.readexactly(n) if n else b""
            with open(os.path.join(folder, "sink_%d.bin" % n), "wb") as f:
                f.write(data)
            writer.write(b"GOT %d\r\n" % n)
            await writer.drain()
        elif words[0] == "STALL":
            await asyncio.sleep(3600)  # reads nothing more: the client's sends must wait
            return
        elif words[0] == "CLOSE":
            writer.close()
            return


async def serve(folder):
    from aiosmtpd.smtp import SMTP
    loop = asyncio.get_running_loop()
    ports = {}
    keeper = Keeper(folder)
    server = await loop.create_server(lambda: SMTP(keeper, hostname="peer.test"), "127.0.0.1", 0)
    ports["aiosmtpd"] = server.sockets[0].getsockname()[1]
    servers = [server]
    for name in ["helobare", "greetbare", "rcpt", "data250", "dot554", "dropmail", "silence",
                 "greet554", "quitdrop", "count", "rawdata", "trickle", "endless", "flood", "mute"]:
        s = await asyncio.start_server(
            lambda r, w, n=name: scripted(folder, n, r, w), "127.0.0.1", 0)
        ports[name] = s.sockets[0].getsockname()[1]
        servers.append(s)
    s = await asyncio.start_server(lambda r, w: control(folder, r, w), "127.0.0.1", 0,
                                   limit=1 << 20)
    ports["control"] = s.sockets[0].getsockname()[1]
    servers.append(s)
    # A port nobody listens on: bound and closed again, not reused by the servers above.
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    ports["refused"] = probe.getsockname()[1]
    probe.close()
    stop_event = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop_event.set)
    tmp = os.path.join(folder, "ports.tmp")
    with open(tmp, "w") as f:
        for k, v in ports.items():
            f.write("%s=%d\n" % (k, v))
    os.replace(tmp, os.path.join(folder, "ports"))
    # Never outlive a test run by long, even when nobody stops us.
    try:
        await asyncio.wait_for(stop_event.wait(), 3600)
    except asyncio.TimeoutError:
        pass


def main():
    command, folder = sys.argv[1], sys.argv[2]
    if command == "start":
        return start(folder)
    if command == "stop":
        return stop(folder)
    asyncio.run(serve(folder))
    return 0


if __name__ == "__main__":
    sys.exit(main())
