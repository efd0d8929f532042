"""An SMTP server for the tests on 127.0.0.1: prints "READY <port>" and runs until stdin closes or SIGTERM.

aiosmtpd, or a scripted misbehaving one. In DIR: NNNN.json per message taken (envelope, greeting name, DATA in
base64, and what a strict RFC 5322 parser makes of it), greetings.log (a line per EHLO), logins.log (a line per
AUTH, with --record-login), wire.log (every byte the clients sent, with --log-wire) and cert.pem for --tls.
"""

import argparse, asyncio, base64, email, email.policy, json, os, ssl, subprocess

SCRIPTED = ["silent", "greeting-421", "drop-after-data", "drop-after-message", "silent-at-quit", "fake-starttls",
            "refuse-greeting", "refuse-sender", "refuse-sender-at-rcpt", "refuse-message"]


REFUSALS = {("refuse-greeting", b"EHLO"): "504 5.5.2 Helo command rejected: need fully-qualified hostname",
            ("refuse-sender", b"MAIL"): "553 5.7.1 Sender address rejected: not owned by user alice",
            ("refuse-sender-at-rcpt", b"RCPT"): "553 5.7.1 <SENDER>: Sender address rejected: not owned by user alice"}


def parsed(data):
    """The message as a strict parser reads it: every defect, and the headers unfolded and decoded."""
    try:
        email.message_from_bytes(data, policy=email.policy.strict)  # raises on the message's first defect
        defects = []
    except Exception as e:
        defects = [repr(e)]
    msg = email.message_from_bytes(data, policy=email.policy.default)  # the same reading, defects kept
    defects += [repr(d) for d in msg.defects] + ["%s: %r" % (k, d) for k, v in msg.items() for d in v.defects]
    lines = data.split(b"\r\n")
    defects += ["a line of %d bytes" % len(line) for line in lines if len(line) > 998 or b"\r" in line or b"\n" in line]
    return {"defects": defects, "headers": [[k, str(v)] for k, v in msg.items()]}


class Handler:
    def __init__(self, args):
        self.args, self.count, self.mails = args, 0, 0

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        with open(os.path.join(self.args.dir, "greetings.log"), "a") as f:
            f.write(hostname + "\n")
        session.host_name = hostname
        return responses

    async def handle_MAIL(self, server, session, envelope, address, options):
        self.mails += 1
        if self.args.mode == "busy-once" and self.mails == 2:
            return "421 4.4.2 Timed out, try again"
        envelope.mail_from = address
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("refused@"):
            return "550 5.1.1 Recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        path = os.path.join(self.args.dir, "%04d.json" % self.count)
        with open(path + ".part", "w") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos, "helo": session.host_name,
                       "data": base64.b64encode(envelope.original_content).decode(),
                       "parsed": parsed(envelope.original_content)}, f)
        os.replace(path + ".part", path)  # each file appears whole
        return "250 2.0.0 Message accepted"


async def scripted(mode, reader, writer):
    """Speaks SMTP until the break its mode names."""
    say = lambda line: writer.write(line.encode() + b"\r\n")
    sender = ""
    if mode != "silent":
        say("421 4.3.2 Closing, try later" if mode == "greeting-421" else "220 raw.test ESMTP")
    while mode not in ("silent", "greeting-421"):
        await writer.drain()
        line = await reader.readline()
        verb = line[:4].upper()
        if verb == b"MAIL":
            sender = line.decode(errors="replace").partition("<")[2].partition(">")[0]
        if (mode, verb.replace(b"HELO", b"EHLO")) in REFUSALS:
            say(REFUSALS[mode, verb.replace(b"HELO", b"EHLO")].replace("SENDER", sender))
        elif verb == b"EHLO":
            say("250-raw.test\r\n250 STARTTLS" if mode == "fake-starttls" else "250 raw.test")
        elif verb == b"STAR":
            say("220 Ready to start TLS")
            await writer.drain()
            await reader.read(5)  # the client's hello, answered in plain text
            say("this is no TLS handshake")
            break
        elif verb == b"DATA" and mode != "drop-after-data":
            say("354 End data with <CR><LF>.<CR><LF>")
            await writer.drain()
            while (await reader.readline()) not in (b".\r\n", b""): pass
            if mode == "drop-after-message":
                break
            say("554 5.7.1 Message refused: spam score too high" if mode == "refuse-message" else "250 2.0.0 Queued")
        elif verb in (b"", b"DATA") or (verb == b"QUIT" and mode == "silent-at-quit"):
            break
        else:
            say("221 Bye" if verb == b"QUIT" else "250 OK")
    await writer.drain()
    if mode in ("silent", "silent-at-quit", "greeting-421"):
        await reader.read()  # holds the line until the client leaves
    writer.close()


async def main(args):
    from aiosmtpd.smtp import SMTP, AuthResult
    loop = asyncio.get_running_loop()
    context, options = None, {"hostname": "smtp.test", "loop": loop, "enable_SMTPUTF8": args.smtputf8}
    if args.tls != "none":
        cert, key = os.path.join(args.dir, "cert.pem"), os.path.join(args.dir, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                        "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout", key, "-out", cert],
                       check=True, capture_output=True)
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(cert, key)
    if args.tls == "starttls":
        options.update(tls_context=context, require_starttls=True)

    def check(server, session, envelope, mechanism, data):  # handled=False: aiosmtpd answers 535 itself
        return AuthResult(success=args.login == (data.login + b":" + data.password).decode(), handled=False)

    def record(server, session, envelope, mechanism, data):
        with open(os.path.join(args.dir, "logins.log"), "a") as f:
            f.write(data.login.decode(errors="replace") + "\n")
        return AuthResult(success=True)

    if args.login:
        options.update(authenticator=check, auth_required=True, auth_require_tls=args.tls != "none")
    elif args.record_login:
        options.update(authenticator=record, auth_required=False, auth_require_tls=False)

    class Slow(SMTP):
        async def push(self, status):  # every answer, the greeting too
            await asyncio.sleep(args.delay_ms / 1000)
            await super().push(status)

        def data_received(self, data):  # before aiosmtpd decodes it: what it refuses is logged too
            if args.log_wire:
                with open(os.path.join(args.dir, "wire.log"), "ab") as f:
                    f.write(data)
            super().data_received(data)

    handler = Handler(args)
    if args.mode in SCRIPTED:
        server = await asyncio.start_server(lambda r, w: scripted(args.mode, r, w), "127.0.0.1", 0)
    else:
        server = await loop.create_server(lambda: Slow(handler, **options), "127.0.0.1", 0,
                                          ssl=context if args.tls == "implicit" else None)
    print("READY", server.sockets[0].getsockname()[1], flush=True)
    done = loop.create_future()
    loop.add_reader(0, lambda: os.read(0, 4096) or done.done() or done.set_result(None))
    await done


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--mode", choices=["accept", "busy-once"] + SCRIPTED, default="accept")
    parser.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    parser.add_argument("--login", default="")  # LOGIN:PASSWORD that AUTH must give
    parser.add_argument("--delay-ms", type=int, default=0)  # before every answer
    parser.add_argument("--record-login", action="store_true")  # offer AUTH in plain text, take any, log the login
    parser.add_argument("--smtputf8", action="store_true")  # offer SMTPUTF8
    parser.add_argument("--log-wire", action="store_true")  # keep what the clients sent in wire.log
    asyncio.run(main(parser.parse_args()))
