#!/usr/bin/env python3
"""A hostile HTTP server for robustness tests of the web request routine, on the loopback
interface only. Each route is one kind of bad or extreme answer:

  /silent             reads the request and never answers; holds the connection until the
                      client gives up (at most SILENT_SECONDS)
  /drip               a 200 whose body, "drips", comes one byte a second, then the connection
                      closes (no Content-Length)
  /big-headers        a 200 with about 100 KB of header lines: a Set-Cookie line first, 100
                      filler lines of 1000 bytes, a Set-Cookie line last
  /bad-headers        a 200 whose header block holds a line without a colon, a NUL byte, a bare
                      CR, an empty Set-Cookie and a good one
  /huge               a 200 announcing and sending 100 MiB (byte k = k % 251), until the client
                      stops reading
  /zero-bytes         a page of ranking rows with a zero byte after the first ZERO_AFTER rows
  /invalid-utf8       a page of ranking rows whose titles hold invalid UTF-8
  /one-line           a page that is one line of 8 MiB: link after link, then one tag cell
  /rows               a page with ROW_COUNT ranking rows
  /loop/<n>           302 to /loop/<n+1>, up to LOOP_LIMIT, which answers 200 "loop followed to
                      the end": a client that gets there did not stop
  /loop-requests      200, the number of /loop/ requests since the last such query, as text
  /truncated-chunked  a chunked body cut inside its eleventh chunk, the connection closed
  /garbage-raw        no status line: 64 KiB of binary garbage, then the connection closes
  /garbage            a 200 whose body is 64 KiB of binary garbage

Garbage byte k is (k * k * 31 + k * 7 + 11) % 256. Every loop is bounded in count and every
socket operation in time (SOCKET_SECONDS); every response closes its connection.

The server writes "<port> <closed port>" to --port-file once it listens, as test_server.py
does; the closed port is one on which nothing listens.
"""

import select
import socket
import socketserver
import sys
import threading
import time

import loopback_server

SILENT_SECONDS = 120
SOCKET_SECONDS = 120
DRIP_BODY = b"drips"
FILLER_LINES = 100
FILLER_BYTES = 1000
HUGE_LENGTH = 100 << 20
ONE_LINE_LENGTH = 8 << 20
ROW_COUNT = 10000
ZERO_AFTER = 3
LOOP_LIMIT = 50
CHUNK_BYTES = 1024
COMPLETE_CHUNKS = 10
GARBAGE_LENGTH = 64 << 10
PATTERN = bytes(k % 251 for k in range(251 * 1024))  # a whole number of pattern periods

INVALID_TITLES = [
    b"lone continuation \x80 byte",
    b"overlong \xc0\xaf slash",
    b"surrogate \xed\xa0\x80 half",
    b"beyond \xf4\x90\x80\x80 range",
    b"bytes \xfe\xff never used",
    b"cut short \xe4\xb8",
]


loop_requests = 0
loop_requests_lock = threading.Lock()


def count_loop_request(reset=False):
    """Counts one /loop/ request, or gives the count so far and starts again from zero."""
    global loop_requests
    with loop_requests_lock:
        if reset:
            count, loop_requests = loop_requests, 0
            return count
        loop_requests += 1
        return loop_requests


def garbage(length):
    return bytes((k * k * 31 + k * 7 + 11) % 256 for k in range(length))


def row(title):
    """One ranking row in the summary page's shape, tagged 热, as UTF-8 bytes."""
    return (b'<tr>\n<td class="td-02">\n<a href="/weibo/x" target="_blank">' + title +
            b'</a>\n<span>12345</span>\n</td>\n'
            b'<td class="td-03"><i class="icon-txt icon-txt-hot">' + "热".encode() +
            b'</i></td>\n</tr>\n')


def page(rows):
    return b"<html><body><table>\n" + b"".join(rows) + b"</table></body></html>\n"


class Handler(socketserver.StreamRequestHandler):
    timeout = SOCKET_SECONDS

    def handle(self):
        request_line = self.rfile.readline(65537)
        if not request_line:
            return
        for _ in range(1000):  # header lines, bounded
            line = self.rfile.readline(65537)
            if line in (b"\r\n", b"\n", b""):
                break
        parts = request_line.split(b" ")
        path = parts[1].decode("latin-1") if len(parts) > 1 else "/"
        sys.stderr.write("hostile server: %s\n" % path)
        try:
            self.route(path)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            pass  # the client stopped reading or gave up, as it may

    def respond(self, status, headers=(), body=b""):
        head = [b"HTTP/1.1 " + status.encode()] + list(headers)
        head += [b"Content-Length: %d" % len(body), b"Connection: close"]
        self.wfile.write(b"\r\n".join(head) + b"\r\n\r\n" + body)

    def route(self, path):
        if path == "/silent":
            self.hold_silently()
        elif path == "/drip":
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                             b"Connection: close\r\n\r\n")
            for byte in DRIP_BODY:
                self.wfile.flush()
                time.sleep(1)
                self.wfile.write(bytes([byte]))
        elif path == "/big-headers":
            lines = [b"Set-Cookie: first=1; path=/"]
            lines += [b"X-Filler-%03d: %s" % (k, b"f" * FILLER_BYTES) for k in range(FILLER_LINES)]
            lines += [b"Set-Cookie: last=2"]
            self.respond("200 OK", lines, b"big headers")
        elif path == "/bad-headers":
            self.respond("200 OK", [b"this line has no colon", b"X-Nul: a\x00b",
                                    b"X-Bare-Cr: a\rb", b"Set-Cookie:", b"Set-Cookie: good=1"],
                         b"bad headers")
        elif path == "/huge":
            self.send_huge()
        elif path == "/zero-bytes":
            rows = [row(b"before %d" % k) for k in range(ZERO_AFTER)]
            after = [row(b"after %d" % k) for k in range(ZERO_AFTER)]
            self.respond("200 OK", [b"Content-Type: text/html"],
                         page(rows + [b"\x00"] + after))
        elif path == "/invalid-utf8":
            self.respond("200 OK", [b"Content-Type: text/html; charset=utf-8"],
                         page([row("寒潮预警".encode())] + [row(t) for t in INVALID_TITLES]))
        elif path == "/one-line":
            self.respond("200 OK", [b"Content-Type: text/html"], self.one_line())
        elif path == "/rows":
            self.respond("200 OK", [b"Content-Type: text/html"],
                         page(row(b"title %d" % k) for k in range(1, ROW_COUNT + 1)))
        elif path.startswith("/loop/"):
            count_loop_request()
            hop = int(path[len("/loop/"):] or "0")
            if hop >= LOOP_LIMIT:
                self.respond("200 OK", [b"Content-Type: text/plain"], b"loop followed to the end")
            else:
                self.respond("302 Found", [b"Location: /loop/%d" % (hop + 1)],
                             b"redirect %d" % hop)
        elif path == "/loop-requests":
            self.respond("200 OK", [b"Content-Type: text/plain"],
                         b"%d" % count_loop_request(reset=True))
        elif path == "/truncated-chunked":
            self.wfile.write(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
                             b"Connection: close\r\n\r\n")
            for k in range(COMPLETE_CHUNKS):
                start = k * CHUNK_BYTES
                self.wfile.write(b"%x\r\n" % CHUNK_BYTES +
                                 PATTERN[start:start + CHUNK_BYTES] + b"\r\n")
            start = COMPLETE_CHUNKS * CHUNK_BYTES
            self.wfile.write(b"%x\r\n" % CHUNK_BYTES + PATTERN[start:start + 100])
        elif path == "/garbage-raw":
            self.wfile.write(garbage(GARBAGE_LENGTH))
        elif path == "/garbage":
            self.respond("200 OK", [b"Content-Type: application/octet-stream"],
                         garbage(GARBAGE_LENGTH))
        else:
            self.respond("404 Not Found", [], b"not found")

    def hold_silently(self):
        """Waits, answering nothing, until the client closes or SILENT_SECONDS pass."""
        deadline = time.monotonic() + SILENT_SECONDS
        while time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 1)
            if readable and not self.connection.recv(4096):
                return

    def send_huge(self):
        self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                         b"Content-Length: %d\r\nConnection: close\r\n\r\n" % HUGE_LENGTH)
        sent = 0
        while sent < HUGE_LENGTH:
            size = min(len(PATTERN), HUGE_LENGTH - sent)
            self.wfile.write(PATTERN[:size])
            sent += size

    @staticmethod
    def one_line():
        link = b'<a href="/weibo/x">x</a> '
        count = ONE_LINE_LENGTH // len(link)
        tail = (b' </td> <td class="td-03"><i class="icon-txt icon-txt-hot">' +
                "热".encode() + b'</i></td>')
        return link * count + tail


if __name__ == "__main__":
    loopback_server.serve(Handler, __doc__.splitlines()[0])
