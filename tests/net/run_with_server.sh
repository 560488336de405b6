#!/usr/bin/env bash
# Runs a command against the web-request test server: starts the server on a free loopback port,
# runs the command with the server's address in VELVANE_TEST_SERVER and a port on which nothing
# listens in VELVANE_TEST_CLOSED_PORT, then stops the server. Exits with the command's status.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/velvane-net-server.XXXXXX")

# --server <script> runs another server of the same kind (hostile_server.py).
server_script=$here/test_server.py
if [ "${1:-}" = "--server" ]; then
    server_script=$2
    shift 2
fi

python3 "$server_script" --port-file "$work/ports" &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

# The server writes its ports once it listens; give up if it dies first or takes over 10 s.
for _ in $(seq 100); do
    [ -s "$work/ports" ] && break
    kill -0 "$server" 2>/dev/null || { echo "test server did not start" >&2; exit 1; }
    sleep 0.1
done
[ -s "$work/ports" ] || { echo "test server did not report its port" >&2; exit 1; }
read -r port closed_port <"$work/ports"

export VELVANE_TEST_SERVER="127.0.0.1:$port"
export VELVANE_TEST_CLOSED_PORT="$closed_port"
"$@"
