#!/usr/bin/env python3
"""One slow host of page_bench: answers every GET on ADDRESS, after DELAY_MS,
with the bytes of PAGE_FILE, gzip-compressed on the wire with "gzip". Prints
its port, then serves until stdin closes.

usage: slow_page_server.py ADDRESS DELAY_MS PAGE_FILE [gzip]
"""
import gzip
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def main():
    address, delay, page_file = sys.argv[1], int(sys.argv[2]) / 1000, sys.argv[3]
    with open(page_file, "rb") as f:
        body = f.read()
    compressed = sys.argv[4:] == ["gzip"]
    if compressed:
        body = gzip.compress(body, 9)  # the page itself is not kept

    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"  # keeps connections, as web servers do

        def do_GET(self):
            time.sleep(delay)
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            if compressed:
                self.send_header("Content-Encoding", "gzip")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = ThreadingHTTPServer((address, 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdin.read()


if __name__ == "__main__":
    main()
