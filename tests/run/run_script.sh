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

work=$(mktemp -d "${TMPDIR:-/tmp}/pag-run.XXXXXX")
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

today=$(date +%F)
today_br=$(date +%d/%m/%Y)
db="sqlite:$work/pag00900.db"
"$server_bin" --db "$db" --seed demo --listen 127.0.0.1:0 2>"$work/server.log" &
server_pid=$!

# The server names its port once it listens: "... em 127.0.0.1:PORT (banco ...)".
port=
tries=0
while [ -z "$port" ]; do
    port=$(sed -n 's/.* em 127\.0\.0\.1:\([0-9][0-9]*\) .*/\1/p' "$work/server.log" 2>/dev/null | head -n 1)
    [ -n "$port" ] && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
        echo "run_script: pag-server ended before listening:" >&2
        cat "$work/server.log" >&2
        exit 1
    fi
    tries=$((tries + 1))
    if [ "$tries" -gt 300 ]; then
        echo "run_script: pag-server did not listen within 30 s" >&2
        exit 1
    fi
    sleep 0.1
done

status=0
"$script_bin" --server "127.0.0.1:$port" --db "$db" --operator OPERADOR --company "$company" --branch 0001 \
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
