#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows targets, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

build=${VELVANE_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"

# One Wine prefix for the whole run, made fresh in a temporary folder.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/velvane-wine.XXXXXX")
export WINEPREFIX
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT

xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" \
    ctest --test-dir "$build" --output-on-failure -j2 "$@"
