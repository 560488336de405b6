#!/usr/bin/env bash
# Runs every benchmark and writes docs/performance.md:
#   1. builds velvane_benchmarks (native, Release) in build-bench;
#   2. generates further summary pages with tools/hot_search_page.py for the large subjects;
#   3. runs velvane_benchmarks (parsing, conversion, scaling, a full refresh) in one process;
#   4. times conversion and parsing again with a heap that keeps its memory, and Python's re
#      on the same bytes as the other engines (bench/python_re.py);
#   5. builds velvane.exe (Windows, Release) in build-bench-win and measures its size and its
#      memory under Wine after ten refreshes (bench/wine_memory.sh);
#   6. writes docs/performance.md (bench/write_report.py, with bench/performance_notes.md).
#
#   bench/run_benchmarks.sh [--no-windows] [--min-time SECONDS] [--peer-timeout SECONDS]
#
# BENCH_BUILD_DIR and BENCH_WINDOWS_BUILD_DIR name other build folders.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

windows=1
min_time=0.5
peer_timeout=10
while [ $# -gt 0 ]; do
    case "$1" in
        --no-windows) windows=0 ;;
        --min-time) min_time=$2; shift ;;
        --peer-timeout) peer_timeout=$2; shift ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
    shift
done

build=${BENCH_BUILD_DIR:-$root/build-bench}
windows_build=${BENCH_WINDOWS_BUILD_DIR:-$root/build-bench-win}
work=$(mktemp -d "${TMPDIR:-/tmp}/velvane-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "== Building the benchmarks in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELVANE_WINDOWS_BUILD=OFF \
    -DVELVANE_FUZZ_BUILD=OFF -DVELVANE_SANITIZER_BUILD=OFF >/dev/null
cmake --build "$build" --target velvane_benchmarks -- -j2

echo "== Generating pages"
mkdir -p "$work/pages"
for tick in 1 2 3 4 5 6 7; do
    python3 tools/hot_search_page.py --tick "$tick" --encoding gbk \
        -o "$work/pages/page_$tick""_cp936.html"
done

echo "== velvane_benchmarks"
"$build/bin/velvane_benchmarks" --page_dir="$work/pages" --peer_timeout="$peer_timeout" \
    --repetitions=3 --benchmark_min_time="$min_time" \
    --benchmark_out="$work/results.json" --benchmark_out_format=json

# Conversion and parsing allocate and free a few buffers of 150 to 320 KB per page; glibc gives
# such memory back to the system and faults it in again on every run. The same benchmarks once
# more with a heap that keeps its memory show what the work itself costs.
echo "== conversion and parsing, heap keeping its memory"
GLIBC_TUNABLES=glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=67108864 \
    "$build/bin/velvane_benchmarks" --benchmark_filter='^page/(convert|parse)' \
    --repetitions=3 --benchmark_min_time="$min_time" \
    --benchmark_out="$work/warm-heap.json" --benchmark_out_format=json >/dev/null

echo "== Python re"
"$build/bin/velvane_benchmarks" --page_dir="$work/pages" --write_inputs="$work/inputs"
python3 bench/python_re.py "$work/inputs" --timeout "$peer_timeout" | tee "$work/python.jsonl"
rm -rf "$work/inputs"

exe_args=()
if [ "$windows" = 1 ]; then
    echo "== velvane.exe"
    if bench/wine_memory.sh "$windows_build" "$work/exe.json"; then
        exe_args=(--exe "$work/exe.json")
    else
        echo "velvane.exe was not measured; the report says TODO." >&2
    fi
fi

flags=$(sed -n 's/^CMAKE_CXX_FLAGS_RELEASE:STRING=//p' "$build/CMakeCache.txt")
python3 - "$work/machine.json" "$flags" <<'PYTHON'
import json, os, platform, subprocess, sys, datetime
def run(*command):
    return subprocess.run(command, capture_output=True, text=True).stdout.strip()
cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
            if line.startswith("model name")), platform.processor())
cores = run("lscpu", "-p=CORE").splitlines()
core_count = len({line for line in cores if not line.startswith("#")}) or os.cpu_count()
pcre2 = run("pkg-config", "--modversion", "libpcre2-8")
icu = run("pkg-config", "--modversion", "icu-uc")
benchmark = run("dpkg-query", "-W", "-f=${Version}", "libbenchmark-dev")
json.dump({
    "date": datetime.datetime.now().astimezone().strftime("%Y-%m-%d %H:%M %Z"),
    "commit": run("git", "rev-parse", "--short", "HEAD")
              + (" (with uncommitted changes)" if run("git", "status", "--porcelain",
                                                       "--untracked-files=no") else ""),
    "cpu": cpu, "cores": str(core_count), "threads": "%d logical" % os.cpu_count(),
    "compiler": run("c++", "--version").splitlines()[0],
    "build_type": "Release", "flags": sys.argv[2].strip(),
    "peers": "PCRE2 %s, libstdc++ std::regex, Python %s re, glibc %s iconv, ICU %s; "
             "Google Benchmark %s" % (pcre2, platform.python_version(),
                                      platform.libc_ver()[1], icu, benchmark),
}, open(sys.argv[1], "w"), indent=1)
PYTHON

# Kept, so that the report can be written again after its notes change.
rm -rf "$build/bench-results"
mkdir -p "$build/bench-results"
cp "$work"/*.json "$work/python.jsonl" "$build/bench-results/"

echo "== docs/performance.md"
python3 bench/write_report.py --benchmarks "$work/results.json" --python "$work/python.jsonl" \
    --warm-heap "$work/warm-heap.json" \
    --machine "$work/machine.json" "${exe_args[@]}" --notes bench/performance_notes.md \
    -o docs/performance.md
echo "Written: docs/performance.md (the run's raw figures are in $build/bench-results)"
