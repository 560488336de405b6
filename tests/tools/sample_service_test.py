#!/usr/bin/env python3
"""Runs the sample hot-search service on a free port and talks to it over HTTP."""

import http.client
import os
import re
import signal
import socket
import subprocess
import sys
import threading
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SERVICE = os.path.join(ROOT, "tools", "sample_service.py")
SUMMARY = "/top/summary?cate=realtimehot"
TITLE = "#今日冬至# 吃饺子"


class ServiceTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.process = subprocess.Popen(
            [sys.executable, SERVICE, "--port", "0"],
            stderr=subprocess.PIPE,
            text=True,
            encoding="utf-8",
            errors="replace",
        )
        first = cls.process.stderr.readline()
        match = re.match(r"listening on http://127\.0\.0\.1:(\d+)/", first)
        if not match:
            cls.process.kill()
            raise AssertionError(f"service did not start: {first!r}")
        cls.port = int(match.group(1))
        # Keep reading the log, so that the service never blocks on a full pipe.
        cls.log = []
        cls.reader = threading.Thread(target=lambda: cls.log.extend(cls.process.stderr))
        cls.reader.start()

    @classmethod
    def tearDownClass(cls):
        if cls.process.poll() is None:
            cls.process.kill()
            cls.process.wait()
        cls.reader.join()

    def get(self, path):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            connection.request("GET", path)
            response = connection.getresponse()
            return response.status, response.getheader("Content-Type"), response.read()
        finally:
            connection.close()

    def get_raw(self, raw_path):
        """A GET whose path goes out as the given bytes, unencoded (but without blanks, which
        would break the request line)."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=30) as s:
            s.sendall(b"GET " + raw_path + b" HTTP/1.0\r\nHost: localhost\r\n\r\n")
            data = b""
            while chunk := s.recv(65536):
                data += chunk
        head, _, body = data.partition(b"\r\n\r\n")
        return int(head.split()[1]), body.decode("utf-8")

    def test_summary_page_is_utf8_and_changes_between_requests(self):
        status, content_type, first = self.get(SUMMARY)
        self.assertEqual(status, 200)
        self.assertEqual(content_type, "text/html; charset=utf-8")
        page = first.decode("utf-8")
        self.assertEqual(page.count('<td class="td-03">'), 49)
        self.assertEqual(page.count('<TD CLASS="td-03">'), 1)
        _, _, second = self.get(SUMMARY)
        self.assertNotEqual(first, second)
        heat = re.compile(rb"<span>(?:\S+ )?(\d+)</span>")
        self.assertNotEqual(heat.findall(first), heat.findall(second))

    def test_search_page_echoes_a_percent_encoded_title(self):
        status, content_type, body = self.get("/weibo/" + urllib.parse.quote(TITLE, safe=""))
        self.assertEqual((status, content_type), (200, "text/html; charset=utf-8"))
        self.assertIn(f'<h1 class="search-title">{TITLE}</h1>', body.decode("utf-8"))

    def test_search_page_echoes_raw_utf8_and_cp936_titles(self):
        for encoding in ("utf-8", "gbk"):
            status, body = self.get_raw(b"/weibo/" + "冬至饺子".encode(encoding))
            self.assertEqual(status, 200, encoding)
            self.assertIn('<h1 class="search-title">冬至饺子</h1>', body, encoding)

    def test_search_page_escapes_markup_and_keeps_the_query_part(self):
        status, _, body = self.get("/weibo/R&amp;B%3Cx%3E?q=1")
        self.assertEqual(status, 200)
        self.assertIn('<h1 class="search-title">R&amp;amp;B&lt;x&gt;?q=1</h1>', body.decode())

    def test_other_addresses_are_not_found(self):
        for path in ("/", "/top/summary", "/top/summary?cate=socialevent", "/weibo", "/x"):
            self.assertEqual(self.get(path)[0], 404, path)

    def test_zz_stops_cleanly_on_sigterm_and_logged_requests(self):
        self.get(SUMMARY)
        self.process.send_signal(signal.SIGTERM)
        self.assertEqual(self.process.wait(timeout=30), 0)
        self.reader.join()
        log = "".join(self.log)
        self.assertIn('"GET /top/summary?cate=realtimehot HTTP/1.1" 200', log)
        self.assertTrue(log.endswith("stopped\n"), log[-200:])


if __name__ == "__main__":
    unittest.main()
