#!/usr/bin/env python3
"""Times Python's re on the subjects velvane_benchmarks writes (--write_inputs=DIR).

Each subject of the manifest is searched with the row pattern or the nested-loop pattern,
compiled with re.I | re.M, on bytes, every match with its groups (finditer), as the other
engines do. Each subject runs in a child process with a time limit, smallest first; after a
time-out or an error, the larger subjects of the same input are not tried. Prints one JSON
object per subject:

    {"name": ..., "status": "ok"|"timeout"|"error"|"not run", "seconds_per_run": ...,
     "runs": ..., "bytes": ..., "matches": ..., "captured": ..., "message": ...}

    bench/python_re.py DIR [--timeout SECONDS] [--min-seconds SECONDS]
"""

import argparse
import json
import os
import re
import subprocess
import sys
import time

PATTERNS = {
    "row": rb"\<a href=.*>(.[^\<]*)?\</a>\s.*?\s.*</td>\s.*<td (.*)\</td>",
    "nested": rb"(a*)*b",
    "nested-class": rb"(a*)*[bc]",
}


def search_all(regex, subject):
    matches = 0
    captured = 0
    for match in regex.finditer(subject):
        matches += 1
        for group in range(1, regex.groups + 1):
            begin, end = match.span(group)
            if begin >= 0:
                captured += end - begin
    return matches, captured


def run_one(path, pattern, min_seconds):
    """The child's work: repeat the search for at least min_seconds, print the figures."""
    with open(path, "rb") as file:
        subject = file.read()
    regex = re.compile(PATTERNS[pattern], re.I | re.M)
    runs = 0
    start = time.perf_counter()
    while True:
        matches, captured = search_all(regex, subject)
        runs += 1
        elapsed = time.perf_counter() - start
        if elapsed >= min_seconds:
            break
    print(json.dumps({"seconds_per_run": elapsed / runs, "runs": runs, "bytes": len(subject),
                      "matches": matches, "captured": captured}))


def family(name):
    """"scaling/one-line/1MiB" -> "scaling/one-line"; the page is its own family."""
    return name.rsplit("/", 1)[0] if name.startswith("scaling/") else name


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("directory")
    parser.add_argument("--timeout", type=float, default=10.0)
    parser.add_argument("--min-seconds", type=float, default=0.3)
    parser.add_argument("--one", nargs=2, metavar=("FILE", "PATTERN"), help=argparse.SUPPRESS)
    args = parser.parse_args(argv)

    if args.one:
        run_one(args.one[0], args.one[1], args.min_seconds)
        return 0

    failed = {}
    with open(os.path.join(args.directory, "manifest.txt"), encoding="utf-8") as manifest:
        cases = [line.split() for line in manifest if line.strip()]
    for name, file, pattern in cases:
        path = os.path.join(args.directory, file)
        result = {"name": name, "bytes": os.path.getsize(path)}
        if family(name) in failed:
            result.update(status="not run", message=failed[family(name)])
        else:
            command = [sys.executable, os.path.abspath(__file__), args.directory,
                       "--min-seconds", str(args.min_seconds), "--one", path, pattern]
            try:
                child = subprocess.run(command, capture_output=True, text=True,
                                       timeout=args.timeout)
                if child.returncode == 0:
                    result.update(json.loads(child.stdout), status="ok")
                else:
                    lines = child.stderr.strip().splitlines() or ["exit status %d" % child.returncode]
                    result.update(status="error", message=lines[-1])
            except subprocess.TimeoutExpired:
                result.update(status="timeout", message="timed out after %g s" % args.timeout)
            if result["status"] != "ok":
                failed[family(name)] = "%s at %d bytes" % (result["status"], result["bytes"])
        print(json.dumps(result), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
