#!/bin/sh
# Runs a smoke script with pag-script against a pag-server started for it on a free loopback
# port over a throwaway SQLite file seeded with the demo data; stops the server afterwards.
# Usage: run_smoke.sh PAG_SCRIPT PAG_SERVER SCRIPT.pag
set -eu
script_bin=$1
server_bin=$2
script=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/pag-smoke.XXXXXX")
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

db="sqlite:$work/pag00900.db"
"$server_bin" --db "$db" --seed demo --listen 127.0.0.1:0 2>"$work/server.log" &
server_pid=$!

# The server names its port once it listens: "... em 127.0.0.1:PORT (banco ...)".
port=
tries=0
while [ -z "$port" ]; do
    port=$(sed -n 's/.* em 127\.0\.0\.1:\([0-9][0-9]*\) .*/\1/p' "$work/server.log" | head -n 1)
    [ -n "$port" ] && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
        echo "run_smoke: pag-server ended before listening:" >&2
        cat "$work/server.log" >&2
        exit 1
    fi
    tries=$((tries + 1))
    if [ "$tries" -gt 300 ]; then
        echo "run_smoke: pag-server did not listen within 30 s" >&2
        exit 1
    fi
    sleep 0.1
done

status=0
"$script_bin" --server "127.0.0.1:$port" --db "$db" --operator OPERADOR --company 01 --branch 0001 \
    "$script" || status=$?
if [ "$status" -ne 0 ]; then
    echo "run_smoke: pag-script ended with status $status; server log:" >&2
    cat "$work/server.log" >&2
fi
exit "$status"
