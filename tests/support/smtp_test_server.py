"""An SMTP server for the tests, on 127.0.0.1 only.

Every message it takes is kept in DIR as NNNN.eml (the DATA bytes as
received, dots unstuffed) and NNNN.json (envelope sender, recipients, the
name the client greeted with), numbered from 0001; each file appears whole.
Every EHLO or HELO adds a line to DIR/greetings.log.

Modes:
  accept            take every message
  refuse-recipient  answer every RCPT with 550
  silent            accept connections and never say a word

Prints READY once listening. Ends on SIGTERM or when its standard input
closes, so that it does not outlive the test that started it.
"""

import argparse
import json
import os
import signal
import socket
import sys


def write_whole(path, data):
    temporary = path + ".part"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


class Capture:
    def __init__(self, directory, mode):
        self.directory = directory
        self.mode = mode
        self.count = 0

    def greeted(self, session, hostname):
        session.host_name = hostname
        with open(os.path.join(self.directory, "greetings.log"), "a") as f:
            f.write(hostname + "\n")

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        self.greeted(session, hostname)
        return responses

    async def handle_HELO(self, server, session, envelope, hostname):
        self.greeted(session, hostname)
        return "250 " + server.hostname

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.mode == "refuse-recipient":
            return "550 5.1.1 Recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.directory, "%04d" % self.count)
        write_whole(base + ".eml", envelope.original_content)
        meta = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "helo": session.host_name,
        }
        write_whole(base + ".json", json.dumps(meta).encode("utf-8"))
        return "250 Message accepted"


def wait_for_end():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        sys.stdin.buffer.read()
    except (OSError, ValueError):
        signal.pause()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--dir", required=True)
    parser.add_argument("--mode", choices=["accept", "refuse-recipient", "silent"], default="accept")
    args = parser.parse_args()

    if args.mode == "silent":
        # The kernel completes the connections; nobody ever answers them.
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.bind(("127.0.0.1", args.port))
        listener.listen(16)
        print("READY", flush=True)
        wait_for_end()
        return

    from aiosmtpd.controller import Controller

    controller = Controller(Capture(args.dir, args.mode), hostname="127.0.0.1", port=args.port,
                            server_hostname="smtp.test", ready_timeout=10.0)
    controller.start()
    print("READY", flush=True)
    try:
        wait_for_end()
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
