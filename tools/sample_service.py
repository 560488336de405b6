#!/usr/bin/env python3
"""A small hot-search service for running and testing the widget without the internet.

    GET /top/summary?cate=realtimehot   the summary page (UTF-8), a new ranking on every request
    GET /weibo/<title>                  the search page for a title: a UTF-8 page that shows it
    anything else                       404

The title of a search address may arrive percent-encoded (as a browser sends it) or as raw
bytes; either way its bytes are read as UTF-8, or as code page 936 when they are not UTF-8.
Everything after "/weibo/" is the title, a "?" and what follows it included, because the widget
appends a title to the address as it is.

Each request is logged on standard error. The first line written there says where the service
listens ("listening on http://HOST:PORT/"), which tells a test the port when it asked for port 0.
SIGTERM and SIGINT stop the service cleanly.
"""

import argparse
import datetime
import html
import os
import signal
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hot_search_page  # noqa: E402

SUMMARY_PATH = "/top/summary"
SEARCH_PREFIX = "/weibo/"


class PageSequence:
    """Hands out one tick per summary request, so that every request sees a new ranking."""

    def __init__(self, first_tick):
        self._next = first_tick
        self._lock = threading.Lock()

    def take(self):
        with self._lock:
            tick = self._next
            self._next += 1
            return tick


def decode_title(raw_path_tail):
    """The title that the bytes after "/weibo/" spell."""
    # http.server hands the request line over as ISO-8859-1, byte for byte.
    data = urllib.parse.unquote_to_bytes(raw_path_tail.encode("iso-8859-1"))
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("gbk", errors="replace")


def search_page(title):
    shown = html.escape(title)
    return (
        "<!DOCTYPE html>\n"
        '<html lang="zh-CN">\n'
        "<head>\n"
        '    <meta charset="utf-8">\n'
        f"    <title>{shown} - 搜索</title>\n"
        "</head>\n"
        "<body>\n"
        f'    <h1 class="search-title">{shown}</h1>\n'
        f"    <p>“{shown}”的搜索结果（示例热搜服务）。</p>\n"
        '    <p><a href="/top/summary?cate=realtimehot">返回热搜榜</a></p>\n'
        "</body>\n"
        "</html>\n"
    )


class Handler(BaseHTTPRequestHandler):
    server_version = "VelvaneSample/1.0"
    protocol_version = "HTTP/1.1"

    def do_GET(self):  # noqa: N802 (the name http.server calls)
        if self.path.startswith(SEARCH_PREFIX):
            title = decode_title(self.path[len(SEARCH_PREFIX) :])
            self._send(200, search_page(title))
            return
        address = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(address.query)
        if address.path == SUMMARY_PATH and query.get("cate") == ["realtimehot"]:
            tick = self.server.pages.take()
            page, _ = hot_search_page.page_for_tick(tick, updated=datetime.datetime.now())
            self._send(200, page)
            return
        self._send(404, "<!DOCTYPE html>\n<title>404</title>\n<p>Not found.</p>\n")

    def _send(self, status, text):
        body = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        self.wfile.write(body)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (127.0.0.1)")
    parser.add_argument("--port", type=int, default=8731, help="port, 0 for any free one (8731)")
    parser.add_argument("--first-tick", type=int, default=0, help="tick of the first page (0)")
    args = parser.parse_args(argv)

    server = ThreadingHTTPServer((args.host, args.port), Handler)
    server.daemon_threads = True
    server.pages = PageSequence(args.first_tick)

    stop = threading.Event()
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: stop.set())

    worker = threading.Thread(target=server.serve_forever, name="http")
    worker.start()
    host, port = server.server_address[:2]
    print(f"listening on http://{host}:{port}/", file=sys.stderr, flush=True)
    try:
        while not stop.wait(0.5):
            pass
    finally:
        server.shutdown()
        worker.join()
        server.server_close()
    print("stopped", file=sys.stderr, flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
