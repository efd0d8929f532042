"""An HTTP server on 127.0.0.1 for the fetch tests, answering some paths as a
server should and others wrongly on purpose (see answer()). It also listens
on 127.0.0.2 to 127.0.0.17, on the same port, as other hosts. Prints its
port, then serves until its standard input closes."""

import asyncio
import gzip
import socket
import struct
import sys
from urllib.parse import parse_qs, parse_qsl, urlsplit


def ok(body, kind=b"text/html"):
    return b"HTTP/1.1 200 OK\r\nContent-Type: %s\r\nContent-Length: %d\r\n\r\n%s" % (kind, len(body), body)


def redirect(to):
    return b"HTTP/1.1 302 Found\r\nLocation: %s\r\nContent-Length: 0\r\n\r\n" % to


HEAD_1000 = b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1000\r\n\r\n"
CHUNKED = b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n"
CLOSING = {  # sent, then the connection closed
    "/to-file": redirect(b"file:///etc/passwd"),
    "/to-ftp": redirect(b"ftp://127.0.0.1:1/"),
    "/short": HEAD_1000 + b"x" * 100,  # less than announced
    "/chunk-cut": CHUNKED + b"10\r\n0123456789abcdef\r\n8\r\nhalf",
    "/bad-chunk": CHUNKED + b"zz\r\nnot a chunk\r\n0\r\n\r\n",
    "/nothing": b"",
    "/not-modified": b"HTTP/1.1 304 Not Modified\r\n\r\n",  # to a request that asked for the whole page
    "/garbage": b"<html>no status line</html>\r\n",
    "/big": b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n" + b"b" * (1 << 20),  # no length announced
}
load = {"now": 0, "peak": 0}  # requests being answered
asked = {}  # how often each target was asked for
OTHER_HOSTS = ["127.0.0.%d" % k for k in range(2, 18)]


async def answer(target, writer):
    """Writes the answer; True when the connection may serve another request."""
    url = urlsplit(target)
    asked[target] = asked.get(target, 0) + 1
    route, _, arg = url.path[1:].partition("/")
    if route == "page":  # /page/NAME?ms=N: NAME after N ms
        await asyncio.sleep(int(parse_qs(url.query).get("ms", ["0"])[0]) / 1000)
        writer.write(ok(arg.encode()))
    elif route == "koi8-r":  # the charset only in the header
        writer.write(ok(b"\xf0\xd2\xc9\xd7\xc5\xd4", b"text/html; charset=koi8-r"))
    elif route in ("port", "peak"):  # the client's port; the most requests answered at once
        writer.write(ok(b"%d" % (writer.get_extra_info("peername")[1] if route == "port" else load["peak"])))
    elif route == "hop":
        writer.write(redirect(b"/hop/%d" % (int(arg) - 1)) if int(arg) else ok(b"landed"))
    elif route == "loop":
        writer.write(redirect(b"/loop"))
    elif route == "gzip":  # /gzip/NAME: "<p>NAME</p>\n" 10,000 times, a few hundred bytes on the wire
        body = gzip.compress(b"<p>%s</p>\n" % arg.encode() * 10000)
        writer.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n"
                     b"Content-Length: %d\r\n\r\n%s" % (len(body), body))
    elif route == "away":  # /away/NAME from any host: /page/NAME?ms=300 on 127.0.0.1
        port = writer.get_extra_info("sockname")[1]
        writer.write(redirect(b"http://127.0.0.1:%d/page/%s?ms=300" % (port, arg.encode())))
    elif route == "silent-once":  # /silent-once/KEY?ms=N: silent the first time, then "late" after N ms
        if asked[target] == 1:
            await asyncio.sleep(3600)
        await asyncio.sleep(int(parse_qs(url.query).get("ms", ["0"])[0]) / 1000)
        writer.write(ok(b"late"))
    elif route == "fails-once":  # /fails-once/KEY: 503 the first time, then "again"
        writer.write(ok(b"again") if asked[target] > 1 else b"HTTP/1.1 503 Busy\r\nContent-Length: 0\r\n\r\n")
    elif route == "answer":  # /answer/STATUS?NAME=VALUE&...: that status with those headers
        head = b"".join(b"%s: %s\r\n" % (k.encode(), v.encode()) for k, v in parse_qsl(url.query))
        writer.write(b"HTTP/1.1 %s Scripted\r\n%sContent-Length: 8\r\n\r\nanswered" % (arg.encode(), head))
    elif route == "reset":  # a body cut short by a reset
        writer.write(HEAD_1000 + b"x" * 100)
        await writer.drain()
        await asyncio.sleep(0.1)
        writer.get_extra_info("socket").setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        return False
    elif route == "trickle":  # a byte a second
        writer.write(HEAD_1000)
        for _ in range(1000):
            await writer.drain()
            await asyncio.sleep(1)
            writer.write(b"x")
    else:
        writer.write(CLOSING.get(url.path, b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"))
        return False
    return True


async def serve(reader, writer):
    try:
        while request := await reader.readline():
            while (await reader.readline()) not in (b"\r\n", b"\n", b""):
                pass
            load["now"] += 1
            load["peak"] = max(load["peak"], load["now"])
            try:
                keep = await answer(request.split()[1].decode(), writer)
            finally:
                load["now"] -= 1
            await writer.drain()
            if not keep:
                break
    except (ConnectionError, IndexError):
        pass
    finally:
        writer.close()


async def main():
    for _ in range(50):  # until the other hosts' port is free too
        server = await asyncio.start_server(serve, "127.0.0.1", 0)
        port = server.sockets[0].getsockname()[1]
        try:
            await asyncio.start_server(serve, OTHER_HOSTS, port)
            break
        except OSError:
            server.close()
    print(port, flush=True)
    await asyncio.get_running_loop().run_in_executor(None, sys.stdin.read)


asyncio.run(main())
