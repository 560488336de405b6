#!/usr/bin/env bash
# Runs one fuzz target for a bounded time, as ctest does:
#   run_fuzz_target.sh <fuzzer> <seed corpus dir> <work dir> <seconds> [libFuzzer options...]
# The committed seeds are read but never written: inputs that reach new code go to
# <work dir>/corpus (kept between local runs), and an input that crashes, leaks, runs out of
# memory or time goes to <work dir>/artifacts/. Any such finding makes the run fail.
set -euo pipefail

fuzzer=$1
seeds=$2
work=$3
seconds=$4
shift 4

name=$(basename "$seeds")
dictionary=$(cd "$(dirname "$0")" && pwd)/dict/$name.dict
mkdir -p "$work/corpus" "$work/artifacts"

options=(
    -max_total_time="$seconds"
    -timeout=10            # seconds for one input
    -rss_limit_mb=2048
    -malloc_limit_mb=1024  # one allocation
    -detect_leaks=1
    -print_final_stats=1
    -artifact_prefix="$work/artifacts/"
)
if [ -f "$dictionary" ]; then
    options+=(-dict="$dictionary")
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:check_initialization_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$fuzzer" "${options[@]}" "$@" "$work/corpus" "$seeds"
