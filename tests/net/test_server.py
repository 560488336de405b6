#!/usr/bin/env python3
"""A small HTTP server for the web-request integration tests, on the loopback interface only.

It reads each request by hand, so that the request line and the header lines are recorded
exactly as they arrived, in order, and answers from a fixed set of routes:

  /echo...       200, the body is the request as received: request line, header lines, an empty
                 line, then the request body (also under /jar/echo...)
  /page          200, a small HTML page
  /jar/set       200, with the lines  Set-Cookie: a=1; path=/jar   Set-Cookie: b=2
                 set-cookie: c=3  (the last one in lower case)
  /redirect      302 to /echo?from=redirect, with a body of its own
  /redirect/<status>?to=<location>
                 <status> (301, 302, 303, 307 or 308) to <location> as given, with the line
                 Set-Cookie: hop=<status>; path=/echo/hop  and the body "redirect <status>"
  /chain/<n>     302 to /chain/<n-1> with the body "chain <n>"; /chain/0 is an echo: reaching it
                 takes n redirects
  /chunked       200, a 100000-byte body in chunks of varied sizes
  /huge          200, a 40 MiB body with a Content-Length
  /big-headers   200, with a header block of more than 9000 bytes, a Set-Cookie line first
  /empty         200, an empty body with a Set-Cookie line
  anything else  404, with an HTML body

Body bytes of /chunked and /huge are  byte k = k % 251. A request whose target is an absolute
URL (as sent to a proxy) is routed by its path. Every response closes its connection.

The server writes "<port> <closed port>" to the --port-file once it listens; the closed port is
one on which nothing listens, for tests of a refused connection.
"""

import socketserver
import sys
from urllib.parse import parse_qs, urlsplit

import loopback_server

CHUNK_SIZES = [1, 7, 100, 1000, 4096, 16384]
CHUNKED_LENGTH = 100000
HUGE_LENGTH = 40 << 20
PATTERN = bytes(k % 251 for k in range(251 * 1024))  # a whole number of pattern periods
REDIRECT_STATUSES = {"301": "Moved Permanently", "302": "Found", "303": "See Other",
                     "307": "Temporary Redirect", "308": "Permanent Redirect"}


def pattern_bytes(start, length):
    """Bytes start .. start+length of the endless pattern."""
    out = bytearray()
    offset = start % 251
    while len(out) < length:
        piece = PATTERN[offset:offset + length - len(out)]
        out += piece
        offset = 0
    return bytes(out)


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        request_line = self.rfile.readline(65537)
        if not request_line:
            return
        header_lines = []
        while True:
            line = self.rfile.readline(65537)
            if line in (b"\r\n", b"\n", b""):
                break
            header_lines.append(line.rstrip(b"\r\n"))
        body = self.read_body(header_lines)
        request_line = request_line.rstrip(b"\r\n")
        sys.stderr.write("test server: %s\n" % request_line.decode("latin-1"))

        parts = request_line.split(b" ")
        target = parts[1].decode("latin-1") if len(parts) > 1 else "/"
        path = urlsplit(target).path or "/"
        self.query = parse_qs(urlsplit(target).query)
        try:
            self.route(path, request_line, header_lines, body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client stopped reading, as it does at its body limit

    def read_body(self, header_lines):
        for line in header_lines:
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                return self.rfile.read(int(value.strip() or b"0"))
        return b""

    def respond(self, status, headers=(), body=b"", length=True):
        lines = [b"HTTP/1.1 " + status.encode()]
        lines += [h.encode() for h in headers]
        if length:
            lines.append(b"Content-Length: %d" % len(body))
        lines.append(b"Connection: close")
        self.wfile.write(b"\r\n".join(lines) + b"\r\n\r\n" + body)

    def route(self, path, request_line, header_lines, body):
        if path.startswith("/echo") or path.startswith("/jar/echo") or path == "/chain/0":
            echo = b"\r\n".join([request_line] + header_lines) + b"\r\n\r\n" + body
            self.respond("200 OK", ["Content-Type: text/plain"], echo)
        elif path == "/page":
            self.respond("200 OK", ["Content-Type: text/html"],
                         b"<html><body>Velvane test page</body></html>")
        elif path == "/jar/set":
            self.respond("200 OK", ["Set-Cookie: a=1; path=/jar", "Set-Cookie: b=2",
                                    "set-cookie: c=3", "Content-Type: text/plain"], b"cookies set")
        elif path == "/redirect":
            self.respond("302 Found", ["Location: /echo?from=redirect",
                                       "Content-Type: text/plain"], b"redirect page")
        elif path.startswith("/redirect/") and path[len("/redirect/"):] in REDIRECT_STATUSES:
            status = path[len("/redirect/"):]
            self.respond("%s %s" % (status, REDIRECT_STATUSES[status]),
                         ["Location: %s" % self.query.get("to", ["/"])[0],
                          "Set-Cookie: hop=%s; path=/echo/hop" % status,
                          "Content-Type: text/plain"], b"redirect %s" % status.encode())
        elif path.startswith("/chain/") and path[len("/chain/"):].isdigit():
            hops = int(path[len("/chain/"):])
            self.respond("302 Found", ["Location: /chain/%d" % (hops - 1),
                                       "Content-Type: text/plain"], b"chain %d" % hops)
        elif path == "/chunked":
            self.send_chunked()
        elif path == "/huge":
            self.send_huge()
        elif path == "/big-headers":
            # Over 9000 bytes in lines of 3000: Wine's WinINet cuts lines at 4095 bytes.
            self.respond("200 OK", ["Set-Cookie: big=%s; path=/big" % ("x" * 3000),
                                    "X-Filler-1: %s" % ("y" * 3000),
                                    "X-Filler-2: %s" % ("z" * 3000),
                                    "Content-Type: text/plain"], b"big headers")
        elif path == "/empty":
            self.respond("200 OK", ["Set-Cookie: e=1; path=/empty"])
        else:
            self.respond("404 Not Found", ["Content-Type: text/html"],
                         b"<html>not found</html>")

    def send_chunked(self):
        self.respond("200 OK", ["Content-Type: application/octet-stream",
                                "Transfer-Encoding: chunked"], length=False)
        sent = 0
        index = 0
        while sent < CHUNKED_LENGTH:
            size = min(CHUNK_SIZES[index % len(CHUNK_SIZES)], CHUNKED_LENGTH - sent)
            self.wfile.write(b"%x\r\n" % size + pattern_bytes(sent, size) + b"\r\n")
            self.wfile.flush()
            sent += size
            index += 1
        self.wfile.write(b"0\r\n\r\n")

    def send_huge(self):
        self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                         b"Content-Length: %d\r\nConnection: close\r\n\r\n" % HUGE_LENGTH)
        block = len(PATTERN)  # a whole number of periods, so every block is the same
        sent = 0
        while sent < HUGE_LENGTH:
            size = min(block, HUGE_LENGTH - sent)
            self.wfile.write(PATTERN[:size])
            sent += size


if __name__ == "__main__":
    loopback_server.serve(Handler, __doc__.splitlines()[0])
