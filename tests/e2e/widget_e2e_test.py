#!/usr/bin/env python3
"""End-to-end tests of velvane.exe: the real program under Wine on a private Xvfb screen, driven
with the mouse and the keyboard and observed from outside (see harness.py).

    widget_e2e_test.py --exe velvane.exe --inspector window_inspector.exe --port 18731 \
        --lang C --artifacts build/e2e-artifacts [unittest arguments]

The widget must have been built for the service host 127.0.0.1:<port>; the scripted service
listens there. Every test starts a fresh widget process and ends it.
"""

import argparse
import os
import re
import sys
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import scripted_service  # noqa: E402
from harness import SCREEN_HEIGHT, SCREEN_WIDTH, wait_until  # noqa: E402

# Control identifiers (app/control_ids.h).
TITLE_LABELS = list(range(1001, 1012))  # 透明标签1..11
TAG_PICTURES = list(range(1101, 1112))  # 图片框12..21, 23
RANK_BADGES = list(range(1201, 1212))  # 图片框2..11, 22
SETTINGS_BUTTON = 1301
CLOSE_BUTTON = 1302
FULL_RANKING_LABEL = 1303  # 透明标签14
AGE_LABEL = 1304  # 透明标签13
INTERVAL_EDIT = 1305
AUTO_REFRESH_CHECK = 1307
TOPMOST_CHECK = 1308

WIDTH, HEIGHT, STRIP_HEIGHT = 280, 480, 526
CENTRED = ((SCREEN_WIDTH - WIDTH) // 2, (SCREEN_HEIGHT - HEIGHT) // 2)
BOTTOM_CLEARANCE = 30

# The refresh's own header lines, then the two that the request routine adds to them.
ACCEPT = ("text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,image/apng,*/*;"
          "q=0.8,application/signed-exchange;v=b3")
USER_AGENT = ("Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
              "Chrome/78.0.3904.108 Safari/537.36 QIHU 360SE")

DEFAULT_TAG = "默认"
TAG_PICTURES_BY_TAG = {
    "新": ("tag_new.png", "#FF3852"),
    "沸": ("tag_boiling.png", "#F86400"),
    "热": ("tag_hot.png", "#FF9406"),
    "荐": ("tag_recommended.png", "#00B7EE"),
    DEFAULT_TAG: ("tag_default.png", "#16161A"),
}
BADGE_FILES = ["badge_pinned.png"] + [f"badge_{n}.png" for n in range(1, 11)]
BACKGROUND = "#16161A"
SCREEN_BACKGROUND = "#000000"  # Xvfb's root window where no window is
STRIP_WHITE = "#FFFFFF"

# A press on the background drags the widget: this point lies on the background picture, clear
# of the name, the buttons and the labels.
GRIP = (150, 8)

SESSION = None

HWND_TOPMOST = "0xffffffffffffffff"
HWND_NOTOPMOST = "0xfffffffffffffffe"
# SetWindowPos as Wine traces it (WINEDEBUG=trace+win): the window, the window it goes after,
# and the flags.
SET_WINDOW_POS = re.compile(r"SetWindowPos hwnd (0x[0-9a-f]+), after (0x[0-9a-f]+|\(nil\)), "
                            r"-?\d+,-?\d+ \(-?\d+x-?\d+\), flags ([0-9a-f]+)")
SWP_DOCKING = 0x13  # SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE: the docking tick's setting
SWP_CHECK_BOX = 0x43  # SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW: the check box's


def traced(test):
    """Marks a test whose widget runs with Wine's trace of window calls."""
    test.traced = True
    return test


def slots_of(entries):
    """(caption, tag text) of the eleven display slots for a page's rows: the row split at its
    first bar, the tag being what lies between the first and a second bar."""
    slots = []
    for row in scripted_service.hot_search_page.expected_rows(entries)[:11]:
        pieces = row.split("|")
        slots.append((pieces[0], pieces[1] if len(pieces) > 1 else ""))
    return slots


def age_seconds(caption):
    """The seconds an age line such as "1分5秒前更新" says, or None for other texts."""
    match = re.fullmatch(r"(?:(\d+)天)?(?:(\d+)时)?(?:(\d+)分)?(?:(\d+)秒)?前更新", caption)
    if match is None:
        return None
    days, hours, minutes, seconds = (int(g) if g else 0 for g in match.groups())
    return ((days * 24 + hours) * 60 + minutes) * 60 + seconds


class WidgetTest(unittest.TestCase):
    """Starts a widget for each test (unless `start_in_set_up` is false) and always ends it."""

    start_in_set_up = True

    def setUp(self):
        self._began = time.monotonic()
        self._problems_before = self._problems()
        self.session = SESSION
        self.service = SESSION.service
        self.service.reset()
        self.session.forget_opened_addresses()
        self.session.move_pointer(5, SCREEN_HEIGHT - 5)
        self.widget = None
        self.helpers = []
        self.trace_log = None
        if getattr(getattr(self, self._testMethodName), "traced", False):
            self.trace_log = os.path.join(SESSION.root, f"trace-{self._testMethodName}.log")
        if self.start_in_set_up:
            self.start()

    def tearDown(self):
        if self._problems() > self._problems_before:
            self.session.save_diagnostics(f"failure-{SESSION.locale_name}-{self._testMethodName}")
        for helper in self.helpers:
            harness.stop_process(helper)
        if self.widget is not None:
            self.widget.stop()
        self.service.release()
        print(f"[{time.monotonic() - self._began:.1f} s]", end=" ", file=sys.stderr, flush=True)

    def _problems(self):
        result = self._outcome.result
        return len(result.failures) + len(result.errors)

    # -- helpers -----------------------------------------------------------------------------

    def launch(self):
        """Starts the widget process, the only one on the screen."""
        self.assertIsNone(self.widget, "a widget was started already")
        self.assertIsNone(self.session.snapshot(), "a widget window is left from before")
        self.widget = self.session.start_widget(self.trace_log)

    def start(self):
        """Starts the widget and waits until it is shown."""
        self.launch()
        self.widget.wait_shown(harness.FIRST_START_TIMEOUT)
        return self.snapshot()

    def snapshot(self):
        return wait_until(self.session.snapshot, what="the inspector to see the widget")

    def window_point(self, x, y):
        """A point of the widget's window on the screen."""
        left, top, _, _ = self.widget.geometry()
        return left + x, top + y

    def click_control(self, control_id):
        self.session.click(*self.snapshot().centre(control_id))

    def wait_control(self, control_id, predicate, what):
        def probe():
            snapshot = self.session.snapshot()
            return snapshot if snapshot and predicate(snapshot.controls[control_id]) else None
        return wait_until(probe, what=what)

    def assert_slots(self, snapshot, entries, what):
        self.assertEqual([snapshot.text(i) for i in TITLE_LABELS],
                         [caption for caption, _ in slots_of(entries)], what)

    def tag_box_pixels(self, snapshot, image):
        pixels = []
        for control_id in TAG_PICTURES:
            left, top, _, _ = snapshot.control_rect(control_id)
            pixels.append(image.region(left, top, 14, 14))
        return pixels

    def assert_tag_pictures(self, snapshot, image, tags):
        for slot, (control_id, tag) in enumerate(zip(TAG_PICTURES, tags), start=1):
            file, colour = TAG_PICTURES_BY_TAG[tag]
            left, top, _, _ = snapshot.control_rect(control_id)
            self.assertEqual(image.pixel(left, top), colour, f"colour of tag box {slot} ({tag})")
            self.assertEqual(image.region(left, top, 14, 14), harness.asset(file).region(
                0, 0, 14, 14), f"picture of tag box {slot} ({tag})")

    def assert_badges(self, snapshot, image):
        for row, (control_id, file) in enumerate(zip(RANK_BADGES, BADGE_FILES), start=1):
            left, top, _, _ = snapshot.control_rect(control_id)
            self.assertEqual(image.region(left, top, 14, 14),
                             harness.asset(file).region(0, 0, 14, 14), f"rank badge {row}")

    def open_settings_strip(self):
        left, top, _, _ = self.widget.geometry()
        self.click_control(SETTINGS_BUTTON)
        self.widget.wait_geometry(lambda g: g == (left, top, WIDTH, STRIP_HEIGHT),
                                  "the settings strip to open")

    def type_interval(self, text):
        """Replaces the interval with `text` by keyboard, as a user would."""
        self.click_control(INTERVAL_EDIT)
        self.session.key("End", *["BackSpace"] * 6)
        self.session.type_text(text)
        self.wait_control(INTERVAL_EDIT, lambda c: c["text"] == text,
                          f"the interval box to read {text!r}")

    def wait_requests(self, count, timeout=harness.STATE_TIMEOUT):
        requests = self.service.wait_for_requests(count, timeout)
        if requests is None:
            self.fail(f"the service did not see {count} requests within {timeout} s "
                      f"(saw {len(self.service.requests())})")
        return requests

    def topmost_calls(self, hwnd, flags):
        """The widget's traced always-on-top settings (SetWindowPos with HWND_TOPMOST or
        HWND_NOTOPMOST) made with `flags`, in order."""
        with open(self.trace_log, encoding="latin-1") as f:
            return [m.group(2) for m in map(SET_WINDOW_POS.search, f)
                    if m and m.group(1) == hwnd and int(m.group(3), 16) == flags and
                    m.group(2) in (HWND_TOPMOST, HWND_NOTOPMOST)]

    def titles(self):
        snapshot = self.session.snapshot()
        return [snapshot.text(i) for i in TITLE_LABELS] if snapshot else None

    def wait_titles_of_one_of(self, requests, what):
        """Waits until the titles are those of one of the pages that `requests()` answered."""
        def probe():
            titles = self.titles()
            pages = [[c for c, _ in slots_of(r.answer.entries)] for r in requests()
                     if r.answer.entries]
            return titles in pages or harness.Miss(titles)
        wait_until(probe, what=what)

    def age(self):
        return self.session.snapshot().text(AGE_LABEL)


# ---------------------------------------------------------------------------------------------


class StartUp(WidgetTest):
    start_in_set_up = False

    def test_the_first_refresh_completes_before_the_window_is_shown_centred(self):
        self.service.hold()
        self.launch()

        # While the first download is held, the window exists but is not shown.
        first = self.wait_requests(1, harness.FIRST_START_TIMEOUT)[0]
        hidden = self.snapshot()
        self.assertFalse(hidden.window["visible"], "window shown during the first refresh")
        self.assertIsNone(self.widget.x_window(), "X window mapped during the first refresh")
        self.assertEqual([hidden.text(i) for i in TITLE_LABELS], [" "] * 11)

        self.service.release()
        self.widget.wait_shown()
        shown = self.snapshot()
        self.assertEqual(len(self.service.requests()), 1, "requests before the window showed")
        # Shown only after the refresh: the list is there at first sight.
        self.assert_slots(shown, first.answer.entries, "titles when first shown")

        # The request as the service received it.
        self.assertEqual(first.request_line, f"GET {scripted_service.SUMMARY_TARGET} HTTP/1.1")
        names_values = [(name.strip(), value.strip()) for name, _, value in
                        (line.partition(":") for line in first.header_lines)]
        address = f"http://{self.session.host}{scripted_service.SUMMARY_TARGET}"
        refresh_lines = [("Accept", ACCEPT), ("User-Agent", USER_AGENT), ("Referer", address),
                         ("Accept-Language", "zh-cn")]
        refresh_names = {name for name, _ in refresh_lines}
        self.assertEqual([nv for nv in names_values if nv[0] in refresh_names], refresh_lines,
                         f"header lines: {first.header_lines}")
        self.assertIn(("Host", self.session.host), names_values)

        # Centred, 280 by 480, not always on top; the system as the locale makes it.
        expected = (*CENTRED, CENTRED[0] + WIDTH, CENTRED[1] + HEIGHT)
        self.assertEqual(shown.rect, expected)
        self.assertEqual(self.widget.geometry(), (*CENTRED, WIDTH, HEIGHT))
        self.assertEqual(self.session.topmost_samples(), 0, "always on top at start-up")
        self.assertEqual(shown.window["acp"], SESSION.expected_code_page)


class RefreshResults(WidgetTest):
    def test_titles_pictures_badges_and_clipboard_after_the_refresh(self):
        served = self.service.requests()[0].answer
        snapshot = self.snapshot()
        self.assert_slots(snapshot, served.entries, "titles")

        # The first refresh: tags other than the five keep the start-up picture, the dark
        # square, like the "默认" tag.
        tags = [tag if tag in TAG_PICTURES_BY_TAG else DEFAULT_TAG
                for _, tag in slots_of(served.entries)]
        self.assertTrue({"新", "沸", "热", "荐", DEFAULT_TAG} <= set(tags), "page covers tags")
        # Painted: the tag boxes show the pictures once painting is done.
        image = wait_until(
            lambda: (lambda i: i if i.pixel(*snapshot.control_rect(TAG_PICTURES[2])[:2])
                     == TAG_PICTURES_BY_TAG[tags[2]][1] else None)(self.session.screenshot()),
            what="the widget to be painted")
        self.assert_tag_pictures(snapshot, image, tags)
        self.assert_badges(snapshot, image)

        self.assertEqual(self.session.clipboard_text(), served.page, "clipboard text")

        left, top, width, height = self.widget.geometry()
        self.session.save_screenshot(f"widget-{SESSION.locale_name}.png",
                                     (left, top, width, height))


class EntryActivation(WidgetTest):
    def test_a_press_on_each_title_opens_its_search_address(self):
        snapshot = self.snapshot()
        prefix = f"http://{self.session.host}/weibo/"
        for count, control_id in enumerate(TITLE_LABELS, start=1):
            left, top, _, bottom = snapshot.control_rect(control_id)
            self.session.click(left + 20, (top + bottom) // 2)
            opened = wait_until(lambda: len(self.session.opened_addresses()) >= count and
                                self.session.opened_addresses(), what=f"title {count} to open")
            address = opened[count - 1]
            title = snapshot.text(control_id)
            # The title's characters as they are; Wine's browser launcher escapes blanks only.
            self.assertEqual(address.replace("%20", " "), prefix + title, f"title {count}")
            self.assertEqual(urllib.parse.unquote(address), prefix + title)
        self.assertEqual(len(self.session.opened_addresses()), len(TITLE_LABELS))

    def test_the_bottom_link_opens_the_full_ranking_and_the_age_line_nothing(self):
        # The age line first: if it opened anything, that would come before the link's address.
        self.click_control(AGE_LABEL)
        self.click_control(FULL_RANKING_LABEL)
        opened = wait_until(self.session.opened_addresses, what="the full ranking to open")
        self.assertEqual(opened, [f"https://{self.session.host}{scripted_service.SUMMARY_TARGET}"])


class Docking(WidgetTest):
    """Drags the widget against each edge by its background and moves the cursor away and back."""

    def grab(self):
        return self.window_point(*GRIP)

    def dock(self, drag_to, shown, hidden, away, back, strip_probe):
        start = self.grab()
        self.session.drag(start, drag_to)
        # The cursor rests on the window, so it is docked and shown.
        self.widget.wait_geometry(lambda g: g == shown, f"shown at {shown}")
        self.session.move_pointer(*away)
        self.widget.wait_geometry(lambda g: g == hidden, f"hidden at {hidden}")
        # Two rows or columns stay on the screen, and only two.
        inside, outside = strip_probe
        image = self.session.screenshot()
        self.assertEqual(image.pixel(*inside), BACKGROUND, "the visible strip")
        self.assertEqual(image.pixel(*outside), SCREEN_BACKGROUND, "beyond the strip")
        self.session.move_pointer(*back)
        self.widget.wait_geometry(lambda g: g == shown, f"shown again at {shown}")

    def test_top_edge(self):
        left = CENTRED[0]
        self.dock(drag_to=(left + GRIP[0], 2),
                  shown=(left, 0, WIDTH, HEIGHT), hidden=(left, 2 - HEIGHT, WIDTH, HEIGHT),
                  away=(640, 800), back=(left + 20, 5),
                  strip_probe=((left + 100, 1), (left + 100, 2)))

    def test_left_edge(self):
        top = CENTRED[1]
        self.dock(drag_to=(100, top + GRIP[1]),
                  shown=(0, top, WIDTH, HEIGHT), hidden=(2 - WIDTH, top, WIDTH, HEIGHT),
                  away=(900, 500), back=(5, top + 240),
                  strip_probe=((1, top + 240), (2, top + 240)))

    def test_right_edge(self):
        top = CENTRED[1]
        self.dock(drag_to=(1200, top + GRIP[1]),
                  shown=(SCREEN_WIDTH - WIDTH, top, WIDTH, HEIGHT),
                  hidden=(SCREEN_WIDTH - 2, top, WIDTH, HEIGHT),
                  away=(300, 500), back=(SCREEN_WIDTH - 5, top + 240),
                  strip_probe=((SCREEN_WIDTH - 2, top + 240), (SCREEN_WIDTH - 3, top + 240)))

    @traced
    def test_bottom_edge_and_always_on_top_while_hidden_there(self):
        left = CENTRED[0]
        shown_top = SCREEN_HEIGHT - HEIGHT - BOTTOM_CLEARANCE
        self.dock(drag_to=(left + GRIP[0], 800),
                  shown=(left, shown_top, WIDTH, HEIGHT),
                  hidden=(left, SCREEN_HEIGHT - 2, WIDTH, HEIGHT),
                  away=(640, 100), back=(left + 20, SCREEN_HEIGHT - 3),
                  strip_probe=((left + 100, SCREEN_HEIGHT - 2), (left + 100, SCREEN_HEIGHT - 3)))
        # Shown at the bottom edge: not always on top.
        self.assertEqual(self.session.topmost_samples(), 0, "always on top while shown")

        # Hidden there: every docking tick sets the setting off, off, off and then on, and the
        # window keeps the last.
        self.session.move_pointer(640, 100)
        self.widget.wait_geometry(lambda g: g[1] == SCREEN_HEIGHT - 2, "hidden at the bottom")
        hwnd = self.snapshot().window["hwnd"]
        seen = len(self.topmost_calls(hwnd, SWP_DOCKING))
        self.assertGreater(self.session.topmost_samples(), 0, "always on top while hidden")
        ticks = self.topmost_calls(hwnd, SWP_DOCKING)[seen:]
        self.assertIn(HWND_TOPMOST, ticks)
        ticks = ticks[ticks.index(HWND_TOPMOST) + 1:]  # from the end of a tick
        whole = len(ticks) // 4 * 4
        self.assertGreaterEqual(whole, 8, "docking ticks while the style was read")
        self.assertEqual(ticks[:whole], ([HWND_NOTOPMOST] * 3 + [HWND_TOPMOST]) * (whole // 4))


class Commands(WidgetTest):
    def test_the_settings_button_opens_and_closes_the_strip(self):
        self.open_settings_strip()
        image = self.session.screenshot()
        self.assertEqual(image.pixel(CENTRED[0] + 3, CENTRED[1] + 500), STRIP_WHITE)
        snapshot = self.snapshot()
        self.assertEqual(snapshot.rect[3] - snapshot.rect[1], STRIP_HEIGHT)
        self.assertEqual(snapshot.text(INTERVAL_EDIT), "60")
        self.assertFalse(snapshot.controls[AUTO_REFRESH_CHECK]["checked"])
        self.assertFalse(snapshot.controls[TOPMOST_CHECK]["checked"])

        self.click_control(SETTINGS_BUTTON)
        self.widget.wait_geometry(lambda g: g == (*CENTRED, WIDTH, HEIGHT),
                                  "the settings strip to close")
        self.assertEqual(self.snapshot().text(INTERVAL_EDIT), "60")

    def test_automatic_refresh_every_two_seconds_until_unchecked(self):
        self.open_settings_strip()
        self.type_interval("2")
        before = len(self.service.requests())
        self.click_control(AUTO_REFRESH_CHECK)
        checked_at = time.monotonic()
        self.wait_control(AUTO_REFRESH_CHECK, lambda c: c["checked"], "the box to be checked")
        self.assertFalse(self.snapshot().controls[INTERVAL_EDIT]["enabled"])

        requests = self.wait_requests(before + 3, timeout=30)
        times = [checked_at] + [r.time for r in requests[before:before + 3]]
        gaps = [later - earlier for earlier, later in zip(times, times[1:])]
        # About every two seconds, the first one full period after the box was checked. The
        # bounds leave room for a busy machine without admitting another period.
        for gap in gaps:
            self.assertGreater(gap, 1.5, f"gaps between refreshes: {gaps}")
            self.assertLess(gap, 3.5, f"gaps between refreshes: {gaps}")
        # The refreshes show their pages.
        self.wait_titles_of_one_of(lambda: self.service.requests()[before:],
                                   "the titles of a refreshed page")

        self.click_control(AUTO_REFRESH_CHECK)
        self.wait_control(AUTO_REFRESH_CHECK, lambda c: not c["checked"],
                          "the box to be unchecked")
        snapshot = self.snapshot()
        self.assertTrue(snapshot.controls[INTERVAL_EDIT]["enabled"])
        stopped = len(self.service.requests())

        # The click was handled after every refresh before it: the widget shows the last page.
        # A slot whose tag is one of the five shows that tag's picture; any other tag (a tag
        # the widget does not know, or the part after a bar in a title) leaves the picture the
        # slot had from an earlier page.
        served = self.service.requests()
        self.assert_slots(snapshot, served[-1].answer.entries, "the last page")
        expected = [DEFAULT_TAG] * 11
        for request in served:
            for slot, (_, tag) in enumerate(slots_of(request.answer.entries)):
                if tag in TAG_PICTURES_BY_TAG:
                    expected[slot] = tag
        inherited = [slot for slot, (_, tag) in enumerate(slots_of(served[-1].answer.entries))
                     if tag not in TAG_PICTURES_BY_TAG and expected[slot] != DEFAULT_TAG]
        self.assertTrue(inherited, "the pages give a slot a picture from an earlier page")
        self.assert_tag_pictures(snapshot, self.session.screenshot(), expected)
        # No more refreshes: this can only be seen by watching for a while, here for two and
        # a half periods.
        self.assertIsNone(self.service.wait_for_requests(stopped + 1, 5.0),
                          "a refresh after automatic refresh was switched off")


class AlwaysOnTop(WidgetTest):
    @traced
    def test_the_always_on_top_box_sets_and_clears_the_setting(self):
        self.open_settings_strip()
        hwnd = self.snapshot().window["hwnd"]
        # The docking timer rewrites the setting every 10 ms, so the box's own setting holds
        # only until the next tick: it is seen in the trace of the calls rather than in the
        # window's style.
        def box_calls():
            return self.topmost_calls(hwnd, SWP_CHECK_BOX)

        self.assertEqual(box_calls(), [])
        self.click_control(TOPMOST_CHECK)
        self.wait_control(TOPMOST_CHECK, lambda c: c["checked"], "the box to be checked")
        self.assertEqual(wait_until(box_calls, what="the always-on-top call"), [HWND_TOPMOST])
        self.assertTrue(self.snapshot().window["foreground"], "brought to the front")

        self.click_control(TOPMOST_CHECK)
        self.wait_control(TOPMOST_CHECK, lambda c: not c["checked"], "the box to be unchecked")
        self.assertEqual(wait_until(lambda: len(box_calls()) == 2 and box_calls(),
                                    what="the second call"), [HWND_TOPMOST, HWND_NOTOPMOST])
        # Away from every edge, the docking tick leaves it off.
        self.assertEqual(self.session.topmost_samples(), 0)


class AgeLine(WidgetTest):
    start_in_set_up = False

    def test_the_age_line_starts_at_zero_seconds_and_counts_up(self):
        watch = self.session.inspect_in_background("watch-text", "--id", str(AGE_LABEL),
                                                   "--ms", "60000")
        self.helpers.append(watch)
        lines = self.session.lines_of(watch)
        self.assertEqual(next(lines)["kind"], "watching")
        self.start()
        captions = []
        for line in lines:
            captions.append(line["text"])
            if (age_seconds(line["text"]) or 0) >= 4:
                break
        harness.stop_process(watch)
        # The layout's caption, from the window's creation until the first tick; then the age
        # counted from the refresh that ran before the window was shown, once a second.
        self.assertEqual(captions[0], "3秒前更新", f"captions: {captions}")
        self.assertIn(captions[1], ("前更新", "1秒前更新"), f"captions: {captions}")
        ages = [age_seconds(c) for c in captions[1:]]
        self.assertEqual(ages, list(range(ages[0], ages[0] + len(ages))), f"captions: {captions}")
        self.assertGreaterEqual(ages[-1], 4)


class LastGoodListTest(WidgetTest):
    """What the tests of refreshes that get no page share: a clipboard held by another program,
    automatic refresh every second, and the check that nothing the user sees has changed."""

    SENTINEL = "clipboard text from another program 剪贴板"

    def switch_on_automatic_refresh(self):
        self.open_settings_strip()
        self.type_interval("1")
        self.click_control(AUTO_REFRESH_CHECK)
        self.wait_control(AUTO_REFRESH_CHECK, lambda c: c["checked"], "the box to be checked")

    def hold_clipboard_and_refresh_every_second(self):
        """From the widget's first, good list: gives that page's answer and the pixels of its
        tag pictures, lets another program own the clipboard (its process is given too), and
        switches automatic refresh on."""
        good = self.service.requests()[0].answer
        snapshot = self.snapshot()
        self.assert_slots(snapshot, good.entries, "the good list")
        tag_pixels = self.tag_box_pixels(snapshot, self.session.screenshot())
        holder = self.session.own_clipboard(self.SENTINEL)
        self.helpers.append(holder)
        self.switch_on_automatic_refresh()
        return good, tag_pixels, holder

    def assert_unchanged(self, entries, tag_pixels, holder, what):
        self.assertTrue(self.widget.running(), f"the widget ended ({what})")
        snapshot = self.snapshot()
        self.assert_slots(snapshot, entries, what)
        self.assertEqual(self.tag_box_pixels(snapshot, self.session.screenshot()), tag_pixels,
                         f"tag pictures ({what})")
        self.assertIsNone(holder.poll(), f"the clipboard was taken over ({what})")
        self.assertEqual(self.session.clipboard_text(), self.SENTINEL, f"clipboard ({what})")


class FailingService(LastGoodListTest):
    """Refreshes that get no page change nothing that the user sees, nor the clipboard."""

    def test_failed_refreshes_keep_the_last_good_list_and_leave_the_clipboard(self):
        good, tag_pixels, holder = self.hold_clipboard_and_refresh_every_second()

        for name, script in (("an error page", scripted_service.error_answer),
                             ("garbage", scripted_service.garbage_answer),
                             ("an empty body", scripted_service.empty_answer)):
            self.service.answer_with(script)
            seen = len(self.service.requests())
            # The second request of this kind shows that the first one's refresh has ended:
            # refreshes run one after another.
            self.wait_requests(seen + 2, timeout=30)
            self.assert_unchanged(good.entries, tag_pixels, holder, name)

        # Refused connections leave no request to see; the age line, which keeps counting from
        # the last good refresh, shows that periods (and their refreshes) have passed.
        self.service.refuse()
        start_age = age_seconds(self.age())
        wait_until(lambda: (age_seconds(self.age()) or 0) >= start_age + 3, timeout=30,
                   interval=0.3, what="two refresh periods with the service refusing")
        self.assert_unchanged(good.entries, tag_pixels, holder, "refused connections")

        # A good page again: shown, and on the clipboard.
        self.service.answer_with(scripted_service.pages(5))
        self.service.listen()
        seen = len(self.service.requests())
        requests = self.wait_requests(seen + 2, timeout=30)
        page = requests[seen].answer
        holder.wait(harness.STATE_TIMEOUT)
        wait_until(lambda: self.session.clipboard_text() == requests[-1].answer.page or
                   self.session.clipboard_text() == page.page, what="the new page on the clipboard")
        self.wait_titles_of_one_of(lambda: self.service.requests()[seen:], "a good page's titles")


class FirstRefreshFails(LastGoodListTest):
    start_in_set_up = False

    def test_a_failed_first_refresh_leaves_the_start_up_look(self):
        holder = self.session.own_clipboard(self.SENTINEL)
        self.helpers.append(holder)
        self.service.answer_with(scripted_service.error_answer)
        self.start()
        self.assertEqual(len(self.service.requests()), 1)
        # Never updated: the age line says so instead of counting from 1899.
        self.wait_control(AGE_LABEL, lambda c: c["text"] == "未更新", "the age line")
        snapshot = self.snapshot()
        self.assertEqual([snapshot.text(i) for i in TITLE_LABELS], [" "] * 11)
        image = self.session.screenshot()
        for control_id in TAG_PICTURES:
            left, top, _, _ = snapshot.control_rect(control_id)
            self.assertEqual(image.region(left, top, 14, 14),
                             harness.asset("tag_default.png").region(0, 0, 14, 14))
        self.assertIsNone(holder.poll(), "the clipboard was taken over")
        self.assertEqual(self.session.clipboard_text(), self.SENTINEL)


class IconAndClosing(WidgetTest):
    def wait_tray_icon(self):
        def tray():
            lines, status = self.session.inspect("tray")
            return lines[0] if status == 0 and lines[0]["visible"] else None
        return wait_until(tray, what="Wine's tray window with the icon")

    def assert_ended_and_icon_removed(self):
        self.widget.wait_ended()
        self.assertIsNone(self.session.snapshot(), "a widget window is left")
        # The icon was removed: Wine hides its tray window when it holds no icon.
        wait_until(lambda: self.session.inspect("tray")[1] != 0 or
                   not self.session.inspect("tray")[0][0]["visible"],
                   what="the icon to be removed")

    def open_icon_menu(self):
        tray = self.wait_tray_icon()
        left, top, _, _ = tray["client"]
        # The first icon's cell: 16 pixels and a 2-pixel border on each side.
        icon = (left + 10, top + 10)
        # A click on Wine's tray window makes it the active window, a moment later. Were that
        # to happen after the widget has opened its menu, the menu would close at once, so the
        # tray window is made active first with a left click, which the widget ignores.
        self.session.click(*icon, button=1)
        wait_until(lambda: self.wait_tray_icon()["foreground"], what="the tray to be active")
        self.session.click(*icon, button=3)

        def menu():
            lines, status = self.session.inspect("popup-menu")
            return lines[0] if status == 0 else None
        return wait_until(menu, what="the icon's pop-up menu")

    def choose(self, menu, item, items=2):
        left, top, right, bottom = menu["rect"]
        height = (bottom - top) / items
        self.session.click((left + right) // 2, int(top + height * (item + 0.5)))

    def test_a_double_click_on_the_icon_restores_the_minimised_widget(self):
        self.session.inspect("minimize")
        wait_until(lambda: (self.session.snapshot() or harness.Miss(None)).window["minimized"],
                   what="the widget to be minimised")
        tray = self.wait_tray_icon()
        icon = (tray["client"][0] + 10, tray["client"][1] + 10)
        self.session.click(*icon, button=1)
        wait_until(lambda: self.wait_tray_icon()["foreground"], what="the tray to be active")
        self.session.xdotool("mousemove", str(icon[0]), str(icon[1]), "click", "--repeat", "2",
                             "--delay", "80", "1")
        # Restored to its place. (Which window is active afterwards is a race under Wine: the
        # clicks also activate Wine's tray window, a moment later.)
        restored = wait_until(
            lambda: (lambda s: s if s and not s.window["minimized"] and s.window["visible"]
                     else harness.Miss(s and s.window))(self.session.snapshot()),
            what="the widget restored")
        self.assertEqual(restored.rect, (*CENTRED, CENTRED[0] + WIDTH, CENTRED[1] + HEIGHT))
        self.assertEqual(self.widget.geometry(), (*CENTRED, WIDTH, HEIGHT))

    def test_a_context_menu_request_on_the_icon_opens_the_menu_too(self):
        # Wine's tray reports right-button releases; a context-menu request is what newer
        # shells send. The inspector posts it as the shell would.
        message, icon = harness.notify_icon_numbers()
        self.session.move_pointer(700, 600)
        self.session.inspect("notify", "context-menu", "--message", str(message),
                             "--icon", str(icon))

        def menu():
            lines, status = self.session.inspect("popup-menu")
            return lines[0] if status == 0 else None
        opened = wait_until(menu, what="the icon's pop-up menu")
        # Right-aligned on the cursor less 5, its top at the cursor less 5.
        self.assertEqual((opened["rect"][2], opened["rect"][1]), (695, 595))
        self.choose(opened, 0)  # 关于
        self.assert_about_box_and_dismiss()

    def test_escape_closes_the_widget(self):
        self.session.move_pointer(*self.window_point(*GRIP))
        self.session.key("Escape")
        self.assert_ended_and_icon_removed()

    def test_the_close_button_closes_the_widget(self):
        self.click_control(CLOSE_BUTTON)
        self.assert_ended_and_icon_removed()

    def test_the_icon_menu_shows_about_and_exits(self):
        self.choose(self.open_icon_menu(), 0)  # 关于
        self.assert_about_box_and_dismiss()

        self.choose(self.open_icon_menu(), 1)  # 退出
        self.assert_ended_and_icon_removed()

    def assert_about_box_and_dismiss(self):
        def message_box():
            lines, status = self.session.inspect("message-box")
            return lines if status == 0 else None
        lines = wait_until(message_box, what="the About box")
        self.assertEqual(lines[0]["title"], "信息")
        texts = [line["text"] for line in lines[1:] if line["class"].lower() == "static"]
        self.assertIn("By Brisaro", texts)
        buttons = [line for line in lines[1:] if line["class"].lower() == "button"
                   and line["visible"]]
        self.assertEqual([b["id"] for b in buttons], [1], "one OK button")
        self.session.inspect("message-box", "--press", "ok")
        wait_until(lambda: self.session.inspect("message-box")[1] != 0,
                   what="the About box to close")
        self.assertTrue(self.widget.running())


# ---------------------------------------------------------------------------------------------


def main():
    global SESSION
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--inspector", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--lang", required=True, help="LANG for Wine: C or zh_CN.UTF-8")
    parser.add_argument("--lc-ctype", default="", help="LC_CTYPE for Wine, when given")
    parser.add_argument("--artifacts", required=True, help="folder for screenshots")
    args, rest = parser.parse_known_args()

    for tool in ("Xvfb", "xdotool", "xclip", "xwininfo", "import", "convert", "wine"):
        if harness.shutil.which(tool) is None:
            sys.exit(f"{tool} is missing: run tools/install-deps.sh")
    if not scripted_service.port_is_free("127.0.0.1", args.port):
        sys.exit(f"port {args.port} is taken: the widget under test talks to 127.0.0.1:{args.port}")

    SESSION = harness.Session(args.exe, args.inspector, args.port, args.lang, args.lc_ctype,
                              args.artifacts)
    SESSION.locale_name = args.lang.split(".")[0]
    SESSION.expected_code_page = 936 if args.lang.startswith("zh_CN") else 1252
    SESSION.service = scripted_service.ScriptedService("127.0.0.1", args.port)
    for stale in harness.glob.glob(os.path.join(args.artifacts, f"*-{SESSION.locale_name}*")):
        os.remove(stale)
    started = time.monotonic()
    try:
        SESSION.start()
        print(f"Wine prefix ready in {time.monotonic() - started:.1f} s "
              f"(display {SESSION.display}, LANG={args.lang}, LC_CTYPE={args.lc_ctype})",
              flush=True)
        SESSION.service.listen()
        program = unittest.main(argv=[sys.argv[0], "-v", *rest], exit=False)
    finally:
        SESSION.service.stop()
        SESSION.close()
    print(f"End-to-end run took {time.monotonic() - started:.1f} s", flush=True)
    sys.exit(0 if program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
