#!/bin/sh
# Runs a script of the recalculation run with pag-script, for a given host company, against a
# pag-server started for it on a free loopback port over a throwaway SQLite file seeded with the
# demo data, with the accounting screen CTB10200 loaded from its module. The script's
# expectations must hold, and the transcript must equal SCRIPT.expected, with today's date
# written TODAY (YYYY-MM-DD) or TODAY_BR (DD/MM/YYYY).
# Usage: run_script.sh PAG_SCRIPT PAG_SERVER CTB10200_MODULE SCRIPT.pag COMPANY
set -eu
script_bin=$1
server_bin=$2
ctb_module=$3
script=$4
company=$5

# shellcheck source=../../scripts/lib/demo-server.sh
. "$(dirname "$0")/../../scripts/lib/demo-server.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/pag-run.XXXXXX")
cleanup() {
    stop_demo_server
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

today=$(date +%F)
today_br=$(date +%d/%m/%Y)
db="sqlite:$work/pag00900.db"
start_demo_server run_script "$work/server.log" 30 "$server_bin" --db "$db" --seed demo

status=0
"$script_bin" --server "127.0.0.1:$demo_server_port" --db "$db" --operator OPERADOR --company "$company" --branch 0001 \
    --today "$today" --register "CTB10200=$ctb_module" "$script" >"$work/transcript" || status=$?
sed -e "s|$today|TODAY|g" -e "s|$today_br|TODAY_BR|g" "$work/transcript" >"$work/transcript.normal"
cat "$work/transcript.normal"
if [ "$status" -ne 0 ]; then
    echo "run_script: pag-script ended with status $status; server log:" >&2
    cat "$work/server.log" >&2
    exit "$status"
fi
if ! diff -u "$script.expected" "$work/transcript.normal" >&2; then
    echo "run_script: the transcript differs from $script.expected" >&2
    exit 1
fi
