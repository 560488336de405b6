#!/usr/bin/env bash
# Builds velvane.exe (Release, static) and measures it: its size, and the peak resident memory
# of its process under Wine once it has refreshed ten times.
#
#   bench/wine_memory.sh WINDOWS_BUILD_DIR OUTPUT.json
#
# The widget runs on a private Xvfb screen against the sample service, on a free port that the
# program is built for. Ten refreshes: the start-up one, then automatic refresh switched on
# through the widget's own settings strip (xdotool: the gear, the interval "1", the check box),
# counted in the service's request log. VmHWM of the velvane.exe process is the figure. When
# the clicks do not bring the refreshes, the figure is taken anyway and the note says after how
# many refreshes. Writes OUTPUT.json for bench/write_report.py.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$1
output=$2

export WINEPREFIX=${WINEPREFIX:-/tmp/velvane-wine-bench}
host=127.0.0.1
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DVELVANE_HOST="$host:$port" >/dev/null
cmake --build "$build" --target velvane -- -j2
exe="$build/bin/velvane.exe"
size=$(stat -c %s "$exe")
stripped=$(mktemp --suffix=.exe)
x86_64-w64-mingw32-strip -o "$stripped" "$exe"
stripped_size=$(stat -c %s "$stripped")
rm -f "$stripped"

work=$(mktemp -d "${TMPDIR:-/tmp}/velvane-wine-memory.XXXXXX")
service_pid=
xvfb_pid=
widget_pid=
cleanup() {
    if [ -n "$widget_pid" ]; then
        kill "$widget_pid" 2>/dev/null || true
        timeout 20 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true
    fi
    for pid in $service_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

python3 tools/sample_service.py --host "$host" --port "$port" 2>"$work/service.log" &
service_pid=$!
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && grep -q listening "$work/service.log" && break
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"

summary_requests() { grep -c 'GET /top/summary' "$work/service.log" || true; }

tools/wine-run "$exe" >"$work/wine.log" 2>&1 &
widget_pid=$!
started=$(date +%s.%N)

# Shown after the first refresh; the first run also sets the Wine prefix up.
window=
for _ in $(seq 1 240); do
    window=$(xdotool search --onlyvisible --name '^Velvane$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 "$widget_pid" 2>/dev/null || { echo "velvane.exe ended before it was shown" >&2; exit 1; }
    sleep 0.5
done
[ -n "$window" ] || { echo "velvane.exe was not shown within two minutes" >&2; exit 1; }

# The Windows process of the program: the one whose command line names velvane.exe and whose
# Wine prefix is ours.
process=
for _ in $(seq 1 50); do
    for pid in $(pgrep -f 'velvane\.exe' || true); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            grep -q VmHWM "/proc/$pid/status" 2>/dev/null; then
            process=$pid
        fi
    done
    [ -n "$process" ] && break
    sleep 0.1
done
[ -n "$process" ] || { echo "cannot find the velvane.exe process" >&2; exit 1; }

# Automatic refresh every second: open the settings strip with the gear, put "1" into the
# interval box, tick the box. Coordinates are the layout's (app/widget_layout.h).
xdotool mousemove --window "$window" 235 23 click 1
sleep 1
xdotool mousemove --window "$window" 48 502 click 1
xdotool key --window "$window" End BackSpace BackSpace BackSpace BackSpace type 1
xdotool mousemove --window "$window" 150 503 click 1
for _ in $(seq 1 300); do
    [ "$(summary_requests)" -ge 10 ] && break
    sleep 0.1
done
sleep 1  # the tenth refresh parses and shows its page after the request
refreshes=$(summary_requests)
elapsed=$(python3 -c "import time; print(time.time() - $started)")
peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$process/status")
rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$process/status")

# For scale: the same figure for a static program that only loads user32 and sleeps.
cat >"$work/idle.c" <<'C'
#include <windows.h>
int main(void) { MessageBeep(0); Sleep(6000); return 0; }
C
baseline=0
if x86_64-w64-mingw32-gcc-posix -O2 -static "$work/idle.c" -o "$work/idle.exe" -luser32; then
    tools/wine-run "$work/idle.exe" >/dev/null 2>&1 &
    idle_pid=$!
    for _ in $(seq 1 100); do
        for pid in $(pgrep -f 'idle\.exe' || true); do
            # Wine writes the program's path over the loader's arguments.
            if [ "$(tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -n1)" = "$work/idle.exe" ]; then
                sleep 2
                baseline=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
            fi
        done
        [ "$baseline" != 0 ] && break
        sleep 0.1
    done
    wait "$idle_pid" || true
fi

note="Measured on Wine $(wine --version 2>/dev/null), Xvfb, LANG=${LANG:-C}: VmHWM of the velvane.exe process, $refreshes page requests served (the start-up refresh, then automatic refresh every second), resident memory at that moment ${rss} KiB. For scale, a static program that only loads user32 and sleeps peaks at ${baseline} KiB under the same Wine."
if [ "$refreshes" -lt 10 ]; then
    note="$note Automatic refresh did not bring ten refreshes: the figure is after $refreshes."
fi
python3 - "$output" <<PYTHON
import json, sys
json.dump({"build_type": "Release", "size": $size, "stripped_size": $stripped_size,
           "peak_rss_kib": $peak, "refreshes": $refreshes, "seconds": $elapsed,
           "baseline_kib": ${baseline:-0},
           "note": """$note"""}, open(sys.argv[1], "w"), indent=1)
PYTHON
echo "velvane.exe: $size bytes, peak $peak KiB after $refreshes refreshes"
