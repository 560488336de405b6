#!/usr/bin/env bash
# Builds velvane.exe and runs it under Wine against the bundled sample hot-search service.
#
# With a display ($DISPLAY), the widget runs there until it is closed. Without one, it runs on a
# private Xvfb screen: once the widget is shown and painted, a screenshot is saved to
# build/velvane-screenshot.png and everything is stopped again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh

build=${VELVANE_BUILD_DIR:-build}
windows_build="$build/windows"
screenshot="$build/velvane-screenshot.png"
host=127.0.0.1
port=8731

# The Windows program alone, in the folder where the full build (tools/test.sh) puts it too.
cmake -S . -B "$windows_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DVELVANE_HOST="$host:$port" >/dev/null
cmake --build "$windows_build" --target velvane
exe="$root/$windows_build/bin/velvane.exe"

# The Wine prefix tools/wine-run uses, named here so that the clean-up can wait for it.
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/velvane-wine-$(id -u)}

service_pid=
widget_pid=
xvfb_pid=
# The widget first, then Wine's own helper processes of the prefix, and only then the screen
# they are drawing on.
cleanup() {
    if [ -n "$widget_pid" ]; then
        kill "$widget_pid" 2>/dev/null || true
        timeout 20 wineserver -w 2>/dev/null || true
    fi
    for pid in $service_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

port_open() { python3 -c "import socket,sys; socket.create_connection(('$host', $port), 1)" 2>/dev/null; }

# The sample service, unless one already listens there.
if port_open; then
    echo "A service already listens on $host:$port; using it."
else
    python3 tools/sample_service.py --host "$host" --port "$port" 2>"$build/sample-service.log" &
    service_pid=$!
    for _ in $(seq 1 100); do
        port_open && break
        kill -0 "$service_pid" 2>/dev/null || { cat "$build/sample-service.log" >&2; exit 1; }
        sleep 0.1
    done
    port_open || { echo "The sample service did not start." >&2; exit 1; }
    echo "Sample service on http://$host:$port/ (log: $build/sample-service.log)"
fi

if [ -n "${DISPLAY:-}" ]; then
    echo "Starting the widget on display $DISPLAY; close it (Escape, or the power button) to end."
    tools/wine-run "$exe"
    exit 0
fi

# No display: a private Xvfb screen, numbered by Xvfb itself.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
done
[ -s "$display_file" ] || { echo "Xvfb did not start." >&2; exit 1; }
export DISPLAY=":$(head -n1 "$display_file")"
rm -f "$display_file"
echo "No display: running the widget on Xvfb $DISPLAY."

tools/wine-run "$exe" >"$build/velvane-wine.log" 2>&1 &
widget_pid=$!

# Shown: the window is first shown after the first refresh. The first run also sets up the Wine
# prefix, which takes a while.
window=
for _ in $(seq 1 240); do
    window=$(xdotool search --onlyvisible --name '^Velvane$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 "$widget_pid" 2>/dev/null || { echo "The widget ended before it was shown." >&2; exit 1; }
    sleep 0.5
done
[ -n "$window" ] || { echo "The widget was not shown within two minutes." >&2; exit 1; }

# Painted: two captures of the window in a row that are the same. The captures are quick and
# close together, so the update-age line, which changes once a second, rarely tells them apart.
previous=$(mktemp --suffix=.png)
current=$(mktemp --suffix=.png)
for _ in $(seq 1 50); do
    sleep 0.2
    import -window "$window" "$current"
    if [ -s "$previous" ] && [ "$(compare -metric AE "$previous" "$current" null: 2>&1 || true)" = 0 ]; then
        break
    fi
    cp "$current" "$previous"
done
import -window root "$screenshot"
rm -f "$previous" "$current"
echo "Screenshot of the widget: $root/$screenshot"
