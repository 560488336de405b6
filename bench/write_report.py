#!/usr/bin/env python3
"""Writes docs/performance.md from one benchmark run.

    bench/write_report.py --benchmarks results.json --python python.jsonl \
        --machine machine.json [--exe exe.json] --notes bench/performance_notes.md -o docs/performance.md

results.json is velvane_benchmarks' Google Benchmark JSON output, python.jsonl what
bench/python_re.py printed, machine.json what bench/run_benchmarks.sh found out about the
machine and the build, exe.json the size and memory of velvane.exe under Wine (absent: a TODO
row). The notes file, the analysis written by hand, is copied in at the end.

Rates are MB/s with 1 MB = 10^6 bytes, from processor time: the machines these run on are
shared, and wall-clock time there measures the neighbours as much as the code.
"""

import argparse
import json
import re
import sys

ENGINES = ["ours-parseHotRows", "ours", "pcre2", "pcre2-jit", "std-regex", "python-re"]
ENGINE_TITLES = {
    "ours-parseHotRows": "ours, through parseHotRows (compile, search, texts of 50 rows)",
    "ours": "ours, raw engine (text/regex.h)",
    "pcre2": "PCRE2 interpreter",
    "pcre2-jit": "PCRE2 JIT",
    "std-regex": "std::regex (libstdc++)",
    "python-re": "Python re",
}
SCALING_FAMILIES = [
    ("pages", "realistic pages (concatenated summary pages), row pattern"),
    ("one-line", "one line: the pages with every line feed turned into a blank, row pattern"),
    ("hrefs", '"<a href=" repeated, no line feed, row pattern'),
    ("a-runs", '"(a*)*b" on a run of "a"'),
    ("a-runs-class", '"(a*)*[bc]" on a run of "a" (no required literal to look for)'),
]
SIZE_UNITS = {"B": 1, "KiB": 1024, "MiB": 1024 * 1024}


class Figure:
    """One measurement: seconds per run (processor time) and what the run found, or a failure."""

    def __init__(self, seconds=None, bytes_=None, matches=None, captured=None, failure=None):
        self.seconds = seconds
        self.bytes = bytes_
        self.matches = matches
        self.captured = captured
        self.failure = failure

    @property
    def ok(self):
        return self.failure is None

    def mb_per_s(self):
        return self.bytes / self.seconds / 1e6

    def rate_text(self):
        if not self.ok:
            return self.failure
        return format_rate(self.mb_per_s())


def format_rate(mb):
    if mb >= 100:
        return "%.0f" % mb
    if mb >= 10:
        return "%.1f" % mb
    return "%.2f" % mb


def format_time(seconds):
    if seconds >= 1:
        return "%.2f s" % seconds
    if seconds >= 1e-3:
        return "%.2f ms" % (seconds * 1e3)
    return "%.1f µs" % (seconds * 1e6)


def size_bytes(text):
    number, unit = re.fullmatch(r"(\d+)(B|KiB|MiB)", text).groups()
    return int(number) * SIZE_UNITS[unit]


def size_text(text):
    return re.sub(r"(\d+)(\D+)", r"\1 \2", text)


def failure_text(message):
    """"crashed: crashed: Segmentation fault" -> "crashed (Segmentation fault)" and so on."""
    message = message.strip()
    if message.startswith("not run"):
        return "not run"
    for status in ("crashed", "timeout", "error"):
        if message.startswith(status + ":"):
            detail = message[len(status) + 1:].strip()
            detail = detail.replace("crashed: ", "")
            return "**%s** (%s)" % (status, detail)
    return "**error** (%s)" % message


def unit_seconds(entry, key):
    factor = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[entry.get("time_unit", "ns")]
    return entry[key] * factor


def load_benchmarks(path):
    with open(path, encoding="utf-8") as file:
        data = json.load(file)
    figures = {}
    extra = {}
    for entry in data["benchmarks"]:
        if entry.get("run_type", "iteration") != "iteration":
            continue
        name = re.sub(r"/(iterations:\d+|repeats:\d+|manual_time|real_time)", "", entry["name"])
        if entry.get("error_occurred"):
            figures[name] = Figure(failure=failure_text(entry.get("error_message", "error")))
            continue
        manual = "manual_time" in entry["name"]
        seconds = unit_seconds(entry, "real_time" if manual else "cpu_time")
        earlier = figures.get(name)
        if earlier is not None and earlier.ok and earlier.seconds <= seconds:
            continue  # of repetitions, the fastest: the one the rest of the machine disturbed least
        rate = entry.get("bytes_per_second")
        figures[name] = Figure(seconds=seconds,
                               bytes_=rate * seconds if rate else None,
                               matches=entry.get("matches"),
                               captured=entry.get("captured"))
        extra[name] = entry
    return data["context"], figures, extra


def load_python(path):
    figures = {}
    if not path:
        return figures
    with open(path, encoding="utf-8") as file:
        for line in file:
            if not line.strip():
                continue
            result = json.loads(line)
            name = result["name"]
            parts = name.split("/")
            key = "/".join(parts[:2] + ["python-re"] + parts[2:]) if name.startswith("scaling/") \
                else name + "/python-re"
            if result["status"] == "ok":
                figures[key] = Figure(result["seconds_per_run"], result["bytes"],
                                      result["matches"], result["captured"])
            elif result["status"] == "not run":
                figures[key] = Figure(failure="not run")
            else:
                figures[key] = Figure(failure="**%s** (%s)" % (result["status"],
                                                               result.get("message", "")))
    return figures


class Report:
    def __init__(self):
        self.lines = []
        self.mismatches = []

    def add(self, *lines):
        self.lines.extend(lines)

    def table(self, header, rows):
        self.add("| " + " | ".join(header) + " |", "|" + "---|" * len(header))
        for row in rows:
            self.add("| " + " | ".join(str(cell) for cell in row) + " |")
        self.add("")

    def check_agreement(self, what, figures):
        """All engines that finished must report the same matches (and captured bytes)."""
        found = {name: f for name, f in figures.items() if f is not None and f.ok
                 and f.matches is not None}
        matches = {int(f.matches) for f in found.values()}
        captured = {int(f.captured) for f in found.values() if f.captured is not None}
        if len(matches) > 1 or len(captured) > 1:
            detail = ", ".join("%s: %d matches%s" % (name, f.matches,
                               "" if f.captured is None else " / %d captured bytes" % f.captured)
                               for name, f in found.items())
            self.mismatches.append("%s: %s" % (what, detail))


def page_section(report, figures):
    report.add("## 1. Parsing the summary page", "")
    page = figures.get("page/parse/ours")
    ours = {engine: figures.get("page/parse/" + engine) for engine in ENGINES}
    report.add("The page: `tests/fixtures/summary_page_cp936.html`, written by "
               "`tools/hot_search_page.py --tick 0` and converted to code page 936: "
               "%d bytes, 50 rows (and 72 links in all). Row pattern with IgnoreCase and "
               "Multiline, every match with its two groups." % (page.bytes if page else 0), "")
    reference = ours.get("ours")
    rows = []
    for engine in ENGINES:
        figure = ours.get(engine)
        if figure is None:
            rows.append([ENGINE_TITLES[engine], "not measured", "", "", ""])
            continue
        if not figure.ok:
            rows.append([ENGINE_TITLES[engine], figure.failure, "", "", ""])
            continue
        relative = ("%.2fx" % (figure.mb_per_s() / reference.mb_per_s())
                    if reference and reference.ok else "")
        captured = "" if figure.captured is None else "%d" % figure.captured
        rows.append([ENGINE_TITLES[engine], format_rate(figure.mb_per_s()),
                     format_time(figure.seconds), "%d / %s" % (figure.matches, captured or "–"),
                     relative])
    report.table(["engine", "MB/s", "per page", "matches / captured bytes", "speed vs ours"],
                 rows)
    report.check_agreement("the page", ours)


def scaling_section(report, figures):
    report.add("## 2. Scaling and pathological inputs", "",
               "MB/s per size (processor time). Our engine runs in the benchmark process at "
               "every size; the peers (std::regex always, PCRE2 on all but the realistic pages) "
               "run in a child process with a time limit, smallest size first, and are not "
               "tried at larger sizes after a failure. PCRE2 runs with its default match limit "
               "(10 000 000) and JIT stack (32 KiB); std::regex with the default 8 MiB stack. "
               "\"not run\": the engine failed at a smaller size of the same input; \"–\": "
               "that size is not tried for that engine.", "")
    ratios = {}
    for family, title in SCALING_FAMILIES:
        prefix = "scaling/%s/" % family
        sizes = sorted({name[len(prefix):].split("/")[1] for name in figures
                        if name.startswith(prefix) and len(name[len(prefix):].split("/")) == 2},
                       key=size_bytes)
        if not sizes:
            continue
        report.add("### %s" % title, "")
        rows = []
        for engine in ENGINES[1:]:
            row = [ENGINE_TITLES[engine]]
            present = False
            for size in sizes:
                figure = figures.get(prefix + engine + "/" + size)
                row.append("–" if figure is None else figure.rate_text())
                present = present or figure is not None
            if present:
                rows.append(row)
        report.table(["engine"] + [size_text(size) for size in sizes], rows)
        for size in sizes:
            report.check_agreement("%s at %s" % (family, size_text(size)),
                                   {engine: figures.get(prefix + engine + "/" + size)
                                    for engine in ENGINES[1:]})
        one = figures.get(prefix + "ours/1MiB")
        sixteen = figures.get(prefix + "ours/16MiB")
        if one and sixteen and one.ok and sixteen.ok:
            ratios[family] = (sixteen.seconds / one.seconds, one, sixteen)
            report.add("Ours: 1 MiB in %s, 16 MiB in %s: **16 MiB costs %.1fx 1 MiB** "
                       "(%.2f of linear)." % (format_time(one.seconds),
                                              format_time(sixteen.seconds),
                                              ratios[family][0], ratios[family][0] / 16), "")
    return ratios


def conversion_section(report, figures):
    report.add("## 3. UTF-8 to code page 936", "",
               "The page as the service sends it (`tests/fixtures/summary_page.html`, UTF-8) "
               "converted to code page 936; rates per UTF-8 byte. Every converter gives the "
               "same bytes (checked at start-up). iconv and ICU keep their converter open "
               "between runs; all three make a new output text per run.", "")
    titles = [("ours-utf8ToLocal", "ours, `utf8ToLocal` (through UTF-16, own table)"),
              ("iconv", "glibc iconv, UTF-8 to GBK"),
              ("icu", "ICU 72 `ucnv_convertEx`, UTF-8 to GBK")]
    rows = []
    for key, title in titles:
        figure = figures.get("page/convert/" + key)
        if figure is None:
            continue
        warm = figures.get("page/convert/" + key + "/warm-heap")
        rows.append([title, figure.rate_text(), format_time(figure.seconds) if figure.ok else "",
                     format_time(warm.seconds) if warm and warm.ok else "–"])
    report.table(["converter", "MB/s", "per page", "per page, heap keeping its memory"], rows)


def refresh_section(report, extra):
    report.add("## 4. One full refresh", "")
    entry = extra.get("refresh/loopback/ours")
    if entry is None:
        report.add("Not measured in this run.", "")
        return None
    report.add(
        "`refreshHotList` against a small HTTP server in the benchmark process on the "
        "loopback interface, serving the UTF-8 page (%d bytes): the libcurl client (a new "
        "connection per refresh, as the widget makes), conversion, parsing and the eleven "
        "slots shown in the fake window system, plus the clipboard. %d refreshes timed." % (
            entry.get("bytes_per_second", 0) * unit_seconds(entry, "real_time"),
            entry["iterations"]), "")
    rows = [
        ["median time (wall clock)", "%.2f ms" % entry["median_ms"]],
        ["median processor time of the refreshing thread", "%.2f ms" % entry["median_cpu_ms"]],
        ["C++ allocations per refresh (operator new)", "%.0f" % entry["alloc_refresh"]],
        ["libcurl allocations per refresh (its malloc family)",
         "%.0f" % entry["curl_alloc_refresh"]],
        ["C++ allocations of the steps: download / conversion / parsing / the rest",
         "%.0f / %.0f / %.0f / %.0f" % (
             entry["alloc_download"], entry["alloc_convert"], entry["alloc_parse"],
             entry["alloc_refresh"] - entry["alloc_download"] - entry["alloc_convert"]
             - entry["alloc_parse"])],
    ]
    report.table(["figure", "value"], rows)
    report.add("\"The rest\" is showing the rows and the clipboard, and includes the fake "
               "window system's own bookkeeping (its call log and control maps), which the "
               "Win32 backend does not have.", "")
    return entry


def cookie_section(report, figures):
    report.add("## 6. Cookie merging", "",
               "`mergeCookieTexts` on a sent and a received cookie text of half the items each, "
               "every tenth name in both (`bench/cookie_benchmarks.cpp`). A server may send "
               "thousands of Set-Cookie lines; the time per item must not grow with their "
               "number.", "")
    rows = []
    for items in (100, 1000, 10000, 100000):
        figure = figures.get("cookies/merge/%d" % items)
        if figure is None or not figure.ok:
            continue
        rows.append(["{:,}".format(items), format_time(figure.seconds),
                     "%.0f ns" % (figure.seconds / items * 1e9)])
    if not rows:
        report.add("Not measured in this run.", "")
        return
    report.table(["items", "per merge", "per item"], rows)


def exe_section(report, exe):
    report.add("## 5. velvane.exe", "")
    if not exe:
        report.table(["figure", "value"], [
            ["size of velvane.exe", "**TODO**: not built in this run"],
            ["peak memory under Wine", "**TODO**: not measured in this run"]])
        return
    rows = [["size of velvane.exe (%s build, static)" % exe["build_type"],
             "%d bytes (%.2f MiB); stripped %d bytes (%.2f MiB)" % (
                 exe["size"], exe["size"] / 2**20, exe["stripped_size"],
                 exe["stripped_size"] / 2**20)]]
    if exe.get("peak_rss_kib"):
        rows.append(["peak resident memory of the velvane.exe process under Wine (VmHWM)",
                     "%.1f MiB after %d refreshes in %.0f s" % (
                         exe["peak_rss_kib"] / 1024, exe["refreshes"], exe["seconds"])])
        if exe.get("baseline_kib"):
            rows.append(["the same for a static program that only loads user32 and sleeps",
                         "%.1f MiB" % (exe["baseline_kib"] / 1024)])
    else:
        rows.append(["peak memory under Wine", "**TODO**: %s" % exe.get("note", "not measured")])
    report.table(["figure", "value"], rows)
    if exe.get("note"):
        report.add(exe["note"], "")


def targets_section(report, figures, ratios):
    report.add("## Targets", "")
    rows = []
    ours = figures.get("page/parse/ours")
    pcre2 = figures.get("page/parse/pcre2")
    jit = figures.get("page/parse/pcre2-jit")
    if ours and pcre2 and ours.ok and pcre2.ok:
        ratio = pcre2.seconds / ours.seconds
        rows.append(["ours at least 3x PCRE2's interpreter on the page",
                     "%.1fx" % ratio, verdict(ratio >= 3, "short by %.0f%%" % (
                         (3 / ratio - 1) * 100))])
    if ours and jit and ours.ok and jit.ok:
        ratio = ours.seconds / jit.seconds
        rows.append(["ours within 1.5x of PCRE2-JIT on the page",
                     "ours takes %.2fx JIT's time" % ratio,
                     verdict(ratio <= 1.5, "%.0f%% over" % ((ratio / 1.5 - 1) * 100))])
    for family, (ratio, _, _) in ratios.items():
        rows.append(["linear on %s: 16 MiB no more than 18x 1 MiB" % family, "%.2fx" % ratio,
                     verdict(ratio <= 18, "%.0f%% over" % ((ratio / 18 - 1) * 100))])
    convert = figures.get("page/convert/ours-utf8ToLocal")
    iconv = figures.get("page/convert/iconv")
    if convert and iconv and convert.ok and iconv.ok:
        ratio = convert.seconds / iconv.seconds
        rows.append(["conversion no slower than iconv", "ours takes %.2fx iconv's time" % ratio,
                     verdict(ratio <= 1, "%.0f%% slower" % ((ratio - 1) * 100))])
    both = figures.get("page/convert+parse/ours")
    if both and both.ok:
        rows.append(["conversion plus parsing of the page under 1 ms", format_time(both.seconds),
                     verdict(both.seconds < 1e-3, "%.0f%% over" % ((both.seconds / 1e-3 - 1)
                                                                  * 100))])
    warm = figures.get("page/convert+parse/ours/warm-heap")
    if warm and warm.ok:
        rows.append(["the same with a heap that keeps its memory (glibc trim and mmap "
                     "thresholds raised)", format_time(warm.seconds),
                     verdict(warm.seconds < 1e-3, "%.0f%% over" % ((warm.seconds / 1e-3 - 1)
                                                                  * 100))])
    report.table(["target", "measured", "met"], rows)


def verdict(met, miss):
    return "yes" if met else "**no**: " + miss


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--benchmarks", required=True)
    parser.add_argument("--python")
    parser.add_argument("--warm-heap", help="the same program's JSON output, run with glibc's "
                        "trim and mmap thresholds raised")
    parser.add_argument("--machine", required=True)
    parser.add_argument("--exe")
    parser.add_argument("--notes")
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args(argv)

    context, figures, extra = load_benchmarks(args.benchmarks)
    figures.update(load_python(args.python))
    if args.warm_heap:
        _, warm, _ = load_benchmarks(args.warm_heap)
        figures.update({name + "/warm-heap": figure for name, figure in warm.items()})
    with open(args.machine, encoding="utf-8") as file:
        machine = json.load(file)
    exe = None
    if args.exe:
        with open(args.exe, encoding="utf-8") as file:
            exe = json.load(file)

    body = Report()
    page_section(body, figures)
    ratios = scaling_section(body, figures)
    conversion_section(body, figures)
    refresh_section(body, extra)
    exe_section(body, exe)
    cookie_section(body, figures)

    report = Report()
    report.add("# Velvane performance", "",
               "Written by `bench/run_benchmarks.sh` from one run of `velvane_benchmarks` "
               "(Google Benchmark) and `bench/python_re.py`; the analysis at the end is "
               "written by hand (`bench/performance_notes.md`). Figures are processor time "
               "(1 MB = 10^6 bytes), except where a table says wall clock; of the repetitions "
               "of a benchmark (three in a full run) the fastest counts.", "")
    report.table(["", ""], [
        ["date", machine["date"]],
        ["commit", machine["commit"]],
        ["machine", "%s, %s cores (%s), load average at the start %s" % (
            machine["cpu"], machine["cores"], machine["threads"],
            ", ".join("%.1f" % x for x in context.get("load_avg", [])))],
        ["compiler", "%s, `%s` build (%s)" % (machine["compiler"], machine["build_type"],
                                               machine["flags"])],
        ["peers", machine["peers"]],
    ])
    mismatches = body.mismatches
    if mismatches:
        report.add("## \u26a0 MATCH COUNTS DISAGREE", "")
        for line in mismatches:
            report.add("- **MISMATCH** " + line)
        report.add("")
    else:
        report.add("All engines that finished agree on the number of matches and the captured "
                   "bytes of every input (checked by the run and again here).", "")
    targets_section(report, figures, ratios)
    report.lines.extend(body.lines)
    report.add("## How to reproduce", "",
               "```",
               "tools/install-deps.sh",
               "bench/run_benchmarks.sh            # everything, writes docs/performance.md",
               "bench/run_benchmarks.sh --no-windows   # without velvane.exe under Wine",
               "ctest --test-dir build -L bench    # the quick smoke run CI does",
               "```", "")
    report.add("Single figures: `build-bench/bin/velvane_benchmarks --benchmark_filter=^page/` "
               "(see `bench/benchmark_main.cpp` for its own flags).", "")
    if args.notes:
        with open(args.notes, encoding="utf-8") as file:
            report.add(file.read().rstrip(), "")

    with open(args.output, "w", encoding="utf-8") as file:
        file.write("\n".join(report.lines).rstrip() + "\n")
    for line in mismatches:
        print("*** MISMATCH *** " + line, file=sys.stderr)
    return 1 if mismatches else 0


if __name__ == "__main__":
    sys.exit(main())
