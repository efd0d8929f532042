"""An SMTP server for the tests on 127.0.0.1 and a port of its own choosing.

Prints "READY <port>" once listening; ends when its standard input closes or
on SIGTERM. Proper servers are aiosmtpd; the misbehaving ones are scripted.
In DIR: every message taken as NNNN.json (envelope, greeting name, the DATA
bytes in base64), one line per EHLO in greetings.log and one per AUTH
attempt (the login name only) in logins.log; cert.pem is the throw-away
certificate of --tls.
"""

import argparse
import asyncio
import base64
import json
import os
import signal
import ssl
import subprocess

SCRIPTED = ["refuse-recipient", "silent", "greeting-421", "drop-after-data", "drop-after-message",
            "silent-at-quit", "fake-starttls"]


def note(args, name, line):
    with open(os.path.join(args.dir, name), "a") as f:
        f.write(line + "\n")


class Handler:
    def __init__(self, args):
        self.args, self.count, self.mails = args, 0, 0

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        note(self.args, "greetings.log", hostname)
        session.host_name = hostname
        return responses

    async def handle_MAIL(self, server, session, envelope, address, options):
        self.mails += 1
        if self.args.mode == "busy-once" and self.mails == 2:
            return "421 4.4.2 Timed out, try again"
        envelope.mail_from = address
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        path = os.path.join(self.args.dir, "%04d.json" % self.count)
        with open(path + ".part", "w") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos, "helo": session.host_name,
                       "data": base64.b64encode(envelope.original_content).decode()}, f)
        os.replace(path + ".part", path)  # each file appears whole
        return "250 2.0.0 Message accepted"


async def scripted(args, reader, writer):
    """Speaks SMTP until the break its mode names."""
    def say(line):
        writer.write(line.encode() + b"\r\n")
    mode = args.mode
    if mode == "greeting-421":
        say("421 4.3.2 Closing, try later")
    elif mode != "silent":
        say("220 raw.test ESMTP")
    while mode != "silent" and mode != "greeting-421":
        await writer.drain()
        verb = (await reader.readline())[:4].upper()
        if verb == b"EHLO":
            note(args, "greetings.log", "raw")
            say("250-raw.test\r\n250 STARTTLS" if mode == "fake-starttls" else "250 raw.test")
        elif verb == b"STAR":
            say("220 Ready to start TLS")
            await writer.drain()
            await reader.read(5)  # the client's hello, answered in plain text
            say("this is no TLS handshake")
            break
        elif verb == b"RCPT" and mode == "refuse-recipient":
            say("550 5.1.1 Recipient refused")
        elif verb == b"DATA" and mode != "drop-after-data":
            say("354 End data with <CR><LF>.<CR><LF>")
            await writer.drain()
            while (await reader.readline()) not in (b".\r\n", b""):
                pass
            if mode == "drop-after-message":
                break
            say("250 2.0.0 Queued")
        elif verb == b"QUIT" and mode != "silent-at-quit":
            say("221 Bye")
        elif verb in (b"", b"DATA", b"QUIT"):
            break
        else:
            say("250 OK")
    await writer.drain()
    if mode in ("silent", "silent-at-quit", "greeting-421"):
        await reader.read()  # holds the line until the client leaves
    writer.close()


def tls_context(args):
    cert, key = os.path.join(args.dir, "cert.pem"), os.path.join(args.dir, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                    "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout", key, "-out", cert],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


async def main(args):
    from aiosmtpd.smtp import SMTP, AuthResult
    loop = asyncio.get_running_loop()
    context = tls_context(args) if args.tls != "none" else None

    def check(server, session, envelope, mechanism, data):
        note(args, "logins.log", data.login.decode())
        good = args.login == data.login.decode() + ":" + data.password.decode()
        return AuthResult(success=good, handled=False)  # aiosmtpd then answers 535

    class Slow(SMTP):
        async def push(self, status):  # every answer, the greeting too
            await asyncio.sleep(args.delay_ms / 1000)
            await super().push(status)

    options = {"hostname": "smtp.test", "loop": loop}
    if args.tls == "starttls":
        options.update(tls_context=context, require_starttls=True)
    if args.login:
        options.update(authenticator=check, auth_required=True, auth_require_tls=args.tls != "none")
    handler = Handler(args)
    if args.mode in SCRIPTED:
        server = await asyncio.start_server(lambda r, w: scripted(args, r, w), "127.0.0.1", 0)
    else:
        server = await loop.create_server(lambda: Slow(handler, **options), "127.0.0.1", 0,
                                          ssl=context if args.tls == "implicit" else None)
    print("READY", server.sockets[0].getsockname()[1], flush=True)
    done = loop.create_future()
    end = lambda: done.done() or done.set_result(None)
    loop.add_reader(0, lambda: os.read(0, 4096) or end())
    loop.add_signal_handler(signal.SIGTERM, end)
    await done


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--mode", choices=["accept", "busy-once"] + SCRIPTED, default="accept")
    parser.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    parser.add_argument("--login", default="", help="LOGIN:PASSWORD that AUTH must give")
    parser.add_argument("--delay-ms", type=int, default=0, help="wait before every answer")
    asyncio.run(main(parser.parse_args()))
