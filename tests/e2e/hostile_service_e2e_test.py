#!/usr/bin/env python3
"""End-to-end tests of velvane.exe against a hostile service: every kind of bad or extreme answer
of the hostile test server (tests/net/hostile_server.py) served to the real widget under Wine as
its summary page. The widget must come back from each within the internet client's time-outs,
keep running, and either keep the last good list or show exactly the rows the answer holds.

    hostile_service_e2e_test.py --exe velvane.exe --inspector window_inspector.exe \
        --port 18731 --lang zh_CN.UTF-8 --artifacts build/e2e-artifacts/hostile

The arguments are those of widget_e2e_test.py, whose session and helpers these tests share.
Each answer's figures (how long the widget took to come back, its peak memory) are printed and
written to hostile-figures.json in the artifacts folder.
"""

import json
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import scripted_service  # noqa: E402
import widget_e2e_test as e2e  # noqa: E402
from harness import wait_until  # noqa: E402
from scripted_service import SUMMARY_TARGET, hostile_server  # noqa: E402

HOT = "热"
BLANK = " "  # the caption of a slot without a row

# The internet client gives up on a silent server after 30 s; everything else ends sooner. The
# bound leaves room for a loaded machine; passing it means the widget hung.
COMING_BACK_TIMEOUT = 90
# The body is cut at 32 MiB whatever the service sends: far below this, a body kept whole is far
# above it.
PEAK_MEMORY_LIMIT_MIB = 192


def invalid_title_pattern(title):
    """A caption pattern for a title holding invalid UTF-8: every bad sequence shows as one or
    more "?" (the replacement character has no code page 936 form), the rest as it is."""
    pieces = re.split("\ufffd+", title.decode("utf-8", errors="replace"))
    return r"\?+".join(re.escape(piece) for piece in pieces)


def rows_then_blanks(captions):
    captions = list(captions)
    return captions + [BLANK] * (11 - len(captions))


# Answers that hold no row: the widget keeps its last good list. (name, hostile server route)
NO_ROW_ANSWERS = [
    ("accepts and never answers", "/silent"),
    ("drips a byte a second", "/drip"),
    ("100 KB of headers", "/big-headers"),
    ("malformed header lines", "/bad-headers"),
    ("100 MiB body", "/huge"),
    ("redirect loop", "/loop/0"),
    ("truncated chunked body", "/truncated-chunked"),
    ("garbage instead of a response", "/garbage-raw"),
    ("garbage body", "/garbage"),
]

# Answers with rows: the widget shows them, and the start-up look in the slots beyond them.
# (name, route, caption patterns of the eleven slots, how many slots have a row)
ROW_ANSWERS = [
    ("zero byte after three rows", "/zero-bytes",
     rows_then_blanks(re.escape(f"before {k}") for k in range(hostile_server.ZERO_AFTER)),
     hostile_server.ZERO_AFTER),
    ("invalid UTF-8 in titles", "/invalid-utf8",
     rows_then_blanks([re.escape("寒潮预警")] +
                      [invalid_title_pattern(t) for t in hostile_server.INVALID_TITLES]),
     1 + len(hostile_server.INVALID_TITLES)),
    ("one line of 8 MiB", "/one-line", rows_then_blanks(["x"]), 1),
    ("10,000 rows", "/rows", [re.escape(f"title {k}") for k in range(1, 12)], 11),
]


def peak_memory_mib(pid):
    """The peak resident memory of the widget's process (Wine runs it as this Linux process)."""
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    raise AssertionError(f"no VmHWM for process {pid}")


class HostileService(e2e.LastGoodListTest):
    figures = {}

    def serve_once(self, name, route):
        """Serves the hostile answer at `route` to the next refresh and waits until the widget
        has come back from it: until its next refresh asks for the summary page again. Returns
        the requests of the hostile refresh, from its summary request on."""
        self.service.answer_with(scripted_service.hostile_once(route))
        first = len(self.service.requests())
        started = self.wait_requests(first + 1, timeout=30)[first]
        self.assertEqual(started.target, SUMMARY_TARGET)

        def came_back():
            """The hostile refresh's requests and the next request for the page, once it came."""
            requests = self.service.requests()[first:]
            later = [r for r in requests[1:] if r.target == SUMMARY_TARGET]
            return (requests[:requests.index(later[0])], later[0]) if later else None

        requests, ended = wait_until(came_back, timeout=COMING_BACK_TIMEOUT,
                                     what=f"the widget to come back from {name}")
        self.figures[name] = {
            "seconds until the next refresh": round(ended.time - started.time, 1),
            "requests": len(requests),
            "peak memory MiB": round(peak_memory_mib(self.widget.pid), 1),
        }
        print(f"\n  {name}: {self.figures[name]}", file=sys.stderr, flush=True)
        self.assertTrue(self.widget.running(), f"the widget ended ({name})")
        return requests

    def test_answers_without_a_row_keep_the_last_good_list(self):
        good, tag_pixels, holder = self.hold_clipboard_and_refresh_every_second()
        age_at_start = e2e.age_seconds(self.age())
        phase_started = time.monotonic()

        for name, route in NO_ROW_ANSWERS:
            with self.subTest(name):
                requests = self.serve_once(name, route)
                self.assert_unchanged(good.entries, tag_pixels, holder, name)
                if route.startswith("/loop/"):
                    # The client gives up after ten redirects, long before the loop's end.
                    self.assertEqual([r.target for r in requests],
                                     [SUMMARY_TARGET] + [f"/loop/{n}" for n in range(1, 11)])

        # The last good refresh keeps its time: the age line has counted on through all of it.
        self.assertGreaterEqual(e2e.age_seconds(self.age()), age_at_start + int(time.monotonic() - phase_started) - 2)
        self.assertLess(self.figures["100 MiB body"]["peak memory MiB"], PEAK_MEMORY_LIMIT_MIB)

    def test_answers_with_rows_show_exactly_those_rows(self):
        self.switch_on_automatic_refresh()
        for name, route, patterns, rows in ROW_ANSWERS:
            with self.subTest(name):
                self.serve_once(name, route)
                snapshot = self.snapshot()
                captions = [snapshot.text(i) for i in e2e.TITLE_LABELS]
                for slot, (caption, pattern) in enumerate(zip(captions, patterns), start=1):
                    self.assertRegex(caption, f"^{pattern}$", f"slot {slot} of {captions}")
                tags = [HOT] * rows + [e2e.DEFAULT_TAG] * (11 - rows)
                self.assert_tag_pictures(snapshot, self.session.screenshot(), tags)

    @classmethod
    def tearDownClass(cls):
        os.makedirs(e2e.SESSION.artifacts, exist_ok=True)
        path = os.path.join(e2e.SESSION.artifacts, "hostile-figures.json")
        with open(path, "w") as f:
            json.dump(cls.figures, f, ensure_ascii=False, indent=2)


if __name__ == "__main__":
    e2e.main()
