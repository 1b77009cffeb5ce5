#!/bin/sh
# Runs a smoke script with pag-script against a pag-server started for it on a free loopback
# port over a throwaway SQLite file seeded with the demo data; stops the server afterwards.
# Usage: run_smoke.sh PAG_SCRIPT PAG_SERVER SCRIPT.pag
set -eu
script_bin=$1
server_bin=$2
script=$3

# shellcheck source=../../scripts/lib/demo-server.sh
. "$(dirname "$0")/../../scripts/lib/demo-server.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/pag-smoke.XXXXXX")
cleanup() {
    stop_demo_server
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

db="sqlite:$work/pag00900.db"
start_demo_server run_smoke "$work/server.log" 30 "$server_bin" --db "$db" --seed demo

status=0
"$script_bin" --server "127.0.0.1:$demo_server_port" --db "$db" --operator OPERADOR --company 01 --branch 0001 \
    "$script" || status=$?
if [ "$status" -ne 0 ]; then
    echo "run_smoke: pag-script ended with status $status; server log:" >&2
    cat "$work/server.log" >&2
fi
exit "$status"
