"""A hot-search service for the end-to-end tests: it answers as the test scripts it, and records
every request exactly as it arrived.

The request line and the header lines are read by hand, so that they are kept byte for byte and
in order. What the service answers is set by the test at any time with `answer_with`, given a
callable that makes the answer to a request:

    pages(first_tick)   the realistic summary page of tools/hot_search_page.py, a new tick for
                        every request (first_tick, first_tick + 1, ...)
    error_answer        500 with an HTML error page
    garbage_answer      200 with bytes that are no page at all (not even valid UTF-8)
    empty_answer        200 with an empty body
    hostile_once(route) the hostile test server's answer at `route` (tests/net/hostile_server.py:
                        silence, a drip, 100 MiB, a redirect loop, ...) to the first request for
                        the summary page, an empty body to the later ones

`refuse()` stops listening, so that connections are refused, and `listen()` starts again on the
same port. `hold()` makes the next requests wait for `release()` before they are answered, so
that a test can look at the widget while its refresh is still downloading.

Every response closes its connection. Each request is recorded when it has arrived, before it
is answered.
"""

import dataclasses
import os
import random
import socket
import socketserver
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
sys.path.insert(0, os.path.join(HERE, "..", "net"))
import hostile_server  # noqa: E402
import hot_search_page  # noqa: E402

SUMMARY_TARGET = "/top/summary?cate=realtimehot"
# Every read and write of a connection is bounded, so that no answer outlives its test for long.
SOCKET_SECONDS = 120


@dataclasses.dataclass
class Answer:
    status: int
    reason: str
    body: bytes
    page: str = None  # the page text, for answers that are summary pages
    entries: list = None  # hot_search_page's entries of that page
    route: str = None  # when set, the hostile server writes the whole answer for this route


@dataclasses.dataclass
class Request:
    time: float  # time.monotonic() when the request had fully arrived
    request_line: str
    header_lines: list  # as received, in order, without the line ends
    answer: Answer = None

    @property
    def target(self):
        parts = self.request_line.split(" ")
        return parts[1] if len(parts) > 1 else ""


def page_answer(tick):
    page, entries = hot_search_page.page_for_tick(tick)
    return Answer(200, "OK", page.encode("utf-8"), page=page, entries=entries)


ERROR_PAGE = (
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>500 服务器内部错误</title></head>\n"
    "<body><h1>服务器内部错误</h1><p>请稍后再试。</p></body></html>\n"
)


def error_answer(request=None):
    return Answer(500, "Internal Server Error", ERROR_PAGE.encode("utf-8"))


def garbage_answer(request=None):
    # Random bytes that decode as nothing sensible, zero bytes and stray lead bytes included.
    return Answer(200, "OK", random.Random(1234).randbytes(6000))


def empty_answer(request=None):
    return Answer(200, "OK", b"")


class pages:
    """Summary pages, a new tick for every request."""

    def __init__(self, first_tick=0):
        self._next = first_tick

    def __call__(self, request=None):
        answer = page_answer(self._next)
        self._next += 1
        return answer


class hostile_once:
    """The hostile server's answer at `route` to the first request for the summary page, then
    an empty body. Requests for the hostile server's own paths (the hops of its redirect loop)
    get its answers at those paths."""

    def __init__(self, route):
        self.route = route
        self.served = False

    def __call__(self, request):
        if request.target != SUMMARY_TARGET:
            return Answer(0, "", b"", route=request.target)
        if self.served:
            return empty_answer()
        self.served = True
        return Answer(0, "", b"", route=self.route)


class _HostileWriter(hostile_server.Handler):
    """The hostile server's answers, written to one of this service's connections."""

    def __init__(self, connection, wfile):
        # Only the writing half of the hostile server's handler is used: the request has been
        # read already.
        self.connection = connection
        self.wfile = wfile


class _Handler(socketserver.StreamRequestHandler):
    timeout = SOCKET_SECONDS

    def handle(self):
        request_line = self.rfile.readline(65537)
        if not request_line:
            return
        header_lines = []
        while True:
            line = self.rfile.readline(65537)
            if line in (b"\r\n", b"\n", b""):
                break
            header_lines.append(line.rstrip(b"\r\n").decode("iso-8859-1"))
        request = Request(
            time.monotonic(), request_line.rstrip(b"\r\n").decode("iso-8859-1"), header_lines
        )
        self.server.service._answer(request, self.connection, self.wfile)


class _Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


class ScriptedService:
    def __init__(self, host, port):
        self.host = host
        self.port = port
        self._lock = threading.Condition()
        self._requests = []
        self._script = pages(0)
        self._held = False
        self._server = None
        self._thread = None

    # -- listening -------------------------------------------------------------------------

    def listen(self):
        if self._server is not None:
            return
        server = _Server((self.host, self.port), _Handler)
        server.service = self
        self._server = server
        self._thread = threading.Thread(target=server.serve_forever, daemon=True)
        self._thread.start()

    def refuse(self):
        """Stops listening: connections to the port are refused until `listen`."""
        if self._server is None:
            return
        self._server.shutdown()
        self._server.server_close()
        self._thread.join()
        self._server = None
        self._thread = None

    def stop(self):
        self.release()
        self.refuse()

    # -- the script ------------------------------------------------------------------------

    def answer_with(self, script):
        with self._lock:
            self._script = script

    def hold(self):
        with self._lock:
            self._held = True

    def release(self):
        with self._lock:
            self._held = False
            self._lock.notify_all()

    def reset(self, script=None):
        """A fresh start for a test: no requests recorded, nothing held, pages from tick 0."""
        with self._lock:
            self._requests = []
            self._script = script or pages(0)
            self._held = False
            self._lock.notify_all()
        self.listen()

    # -- what arrived ----------------------------------------------------------------------

    def requests(self):
        with self._lock:
            return list(self._requests)

    def wait_for_requests(self, count, timeout):
        """The requests once at least `count` have arrived; None after `timeout` seconds."""
        deadline = time.monotonic() + timeout
        with self._lock:
            while len(self._requests) < count:
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    return None
                self._lock.wait(remaining)
            return list(self._requests)

    # -- answering -------------------------------------------------------------------------

    def _answer(self, request, connection, out):
        with self._lock:
            answer = self._script(request)
            request.answer = answer
            self._requests.append(request)
            self._lock.notify_all()
            while self._held:
                self._lock.wait()
        try:
            if answer.route is not None:
                _HostileWriter(connection, out).route(answer.route)
            else:
                out.write(_head(answer) + answer.body)
            out.flush()
        except OSError:
            pass  # the widget gave up or went away meanwhile, as it may


def _head(answer):
    return (
        f"HTTP/1.1 {answer.status} {answer.reason}\r\n"
        "Content-Type: text/html; charset=utf-8\r\n"
        f"Content-Length: {len(answer.body)}\r\n"
        "Connection: close\r\n\r\n"
    ).encode("ascii")


def port_is_free(host, port):
    with socket.socket() as probe:
        probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            probe.bind((host, port))
        except OSError:
            return False
    return True
