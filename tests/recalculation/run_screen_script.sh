#!/bin/sh
# Runs a script of the recalculation screen with pag-script, for a given host company, against a
# pag-server started for it on a free loopback port over a throwaway SQLite file seeded with the
# demo data. The script's expectations must hold; when SCRIPT has a neighbour SCRIPT.expected,
# the transcript must also equal it, with today's date written TODAY (YYYY-MM-DD) or
# TODAY_BR (DD/MM/YYYY).
# Usage: run_screen_script.sh PAG_SCRIPT PAG_SERVER SCRIPT.pag COMPANY
set -eu
script_bin=$1
server_bin=$2
script=$3
company=$4

# shellcheck source=../../scripts/lib/demo-server.sh
. "$(dirname "$0")/../../scripts/lib/demo-server.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/pag-screen.XXXXXX")
cleanup() {
    stop_demo_server
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

today=$(date +%F)
today_br=$(date +%d/%m/%Y)
db="sqlite:$work/pag00900.db"
start_demo_server run_screen_script "$work/server.log" 30 "$server_bin" --db "$db" --seed demo

status=0
"$script_bin" --server "127.0.0.1:$demo_server_port" --db "$db" --operator OPERADOR --company "$company" --branch 0001 \
    --today "$today" "$script" >"$work/transcript" || status=$?
sed -e "s|$today|TODAY|g" -e "s|$today_br|TODAY_BR|g" "$work/transcript" >"$work/transcript.normal"
cat "$work/transcript.normal"
if [ "$status" -ne 0 ]; then
    echo "run_screen_script: pag-script ended with status $status; server log:" >&2
    cat "$work/server.log" >&2
    exit "$status"
fi
if [ -f "$script.expected" ] && ! diff -u "$script.expected" "$work/transcript.normal" >&2; then
    echo "run_screen_script: the transcript differs from $script.expected" >&2
    exit 1
fi
