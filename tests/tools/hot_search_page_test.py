#!/usr/bin/env python3
"""Checks the summary page generator: its pages have the row shape the widget's row pattern
expects, the rows it claims agree with what a backtracking engine finds in them, and the
committed fixtures are what it writes today."""

import os
import re
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
FIXTURES = os.path.join(ROOT, "tests", "fixtures")
sys.path.insert(0, os.path.join(ROOT, "tools"))

import hot_search_page as gen  # noqa: E402

# The widget's row pattern. Python's engine, like the one the pattern was written for, is a
# backtracking engine with leftmost-first matches; with re.ASCII "\s" is the same six ASCII
# white-space characters, and "." stops at a line feed in both.
ROW_PATTERN = re.compile(
    r"\<a href=.*>(.[^\<]*)?\</a>\s.*?\s.*</td>\s.*<td (.*)\</td>",
    re.IGNORECASE | re.MULTILINE | re.ASCII,
)

TICKS = range(0, 120)


def read(name):
    with open(os.path.join(FIXTURES, name), "rb") as f:
        return f.read()


class GeneratorTest(unittest.TestCase):
    def test_fixtures_are_what_the_generator_writes(self):
        page, entries = gen.page_for_tick(0)
        rows = "".join(row + "\n" for row in gen.expected_rows(entries))
        self.assertEqual(read("summary_page.html"), page.encode("utf-8"))
        self.assertEqual(read("summary_page_cp936.html"), page.encode("gbk"))
        self.assertEqual(read("summary_page_rows_cp936.txt"), rows.encode("gbk"))

    def test_every_row_matches_the_row_pattern_once_in_page_order(self):
        for tick in TICKS:
            page, entries = gen.page_for_tick(tick)
            titles = [m.group(1) or "" for m in ROW_PATTERN.finditer(page)]
            self.assertEqual(titles, [e.title_html for e in entries], f"tick {tick}")

    def test_tag_cells_hold_the_tags_claimed(self):
        page, entries = gen.page_for_tick(0)
        cells = [m.group(2) for m in ROW_PATTERN.finditer(page)]
        for entry, cell in zip(entries, cells):
            if entry.expected_tag == gen.DEFAULT_TAG:
                self.assertNotRegex(cell, r'^class="td-03"><i class="[^"]*">', entry.title_html)
            else:
                self.assertRegex(
                    cell, rf'^class="td-03"><i class="[^"]*">{entry.expected_tag}</i>$'
                )

    def test_page_holds_every_kind_of_row(self):
        page, entries = gen.page_for_tick(0)
        rows = gen.expected_rows(entries)
        self.assertTrue(140_000 <= len(page.encode("utf-8")) <= 170_000)
        self.assertTrue(45 <= len(rows) <= 55)
        self.assertEqual([e.kind for e in entries[:1]], ["pinned"])
        self.assertEqual(sum(e.kind == "advert" for e in entries), 1)
        tags = {row.rsplit("|", 1)[1] for row in rows}
        self.assertTrue({"新", "沸", "热", "荐", "默认", "爆"} <= tags)
        self.assertIn('<td class="td-03"></td>', page)
        self.assertIn('<td class="td-03"><i>热</i></td>', page)
        self.assertIn("<A HREF=", page)
        self.assertIn("</TD>", page)
        self.assertIn("|新", rows)  # the empty link
        self.assertTrue(any(row.count("|") == 2 for row in rows))
        self.assertTrue(any("&amp;" in row for row in rows))
        self.assertTrue(any(row.startswith("#") for row in rows))

    def test_first_eleven_entries_are_ordinary_at_every_tick(self):
        for tick in TICKS:
            _, entries = gen.page_for_tick(tick)
            for entry in entries[:12]:
                self.assertEqual(entry.topic.style, gen.PLAIN, f"tick {tick}")
                self.assertTrue(entry.topic.title, f"tick {tick}")

    def test_ranking_changes_from_tick_to_tick(self):
        previous = None
        for tick in range(0, 10):
            page, entries = gen.page_for_tick(tick)
            ranking = [(e.topic.title, e.heat) for e in entries if e.kind == "ranked"]
            heats = [heat for _, heat in ranking]
            self.assertEqual(heats, sorted(heats, reverse=True))
            if previous is not None:
                self.assertNotEqual([t for t, _ in ranking], [t for t, _ in previous])
            previous = ranking
        self.assertEqual(gen.page_for_tick(7), gen.page_for_tick(7))


if __name__ == "__main__":
    unittest.main()
