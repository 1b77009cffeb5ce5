#!/bin/sh
# Runs a script of the scripted host against a pag-server started for it, and checks what it
# printed: the one runner of every transcript test.
#
# Usage: run_transcript.sh [OPTIONS] PAG_SCRIPT PAG_SERVER SCRIPT.pag
#
# pag-script runs SCRIPT.pag as operator OPERADOR (logged in with the demo password, given in
# PAG_PASSWORD) on branch 0001 against a pag-server on a free
# loopback port over a throwaway SQLite file seeded with the demo data; the script's own
# expectations must hold. The transcript is printed on standard output.
#
#   --company CODE        the host company (default 01)
#   --today               pins the host's date to today's and writes it TODAY (YYYY-MM-DD) and
#                         TODAY_BR (DD/MM/YYYY) in the transcript, so that it can be compared
#   --register CODE=FILE  a screen opened by LoadBPL from its library (pag-script's --register)
#   --expected required   the transcript must equal SCRIPT.expected
#   --expected if-present the same, when SCRIPT.expected exists
#   --own-config          the saved options in a throwaway configuration folder, so that a script
#                         that saves options leaves the user's own alone
#   --close-today         the host company's accounting closed up to today (pag-server
#                         close-period), so that today's write-offs fall in the closed period
set -eu
usage() {
    echo "usage: run_transcript.sh [--company CODE] [--today] [--register CODE=FILE]" \
        "[--expected required|if-present] [--own-config] [--close-today] PAG_SCRIPT PAG_SERVER SCRIPT.pag" >&2
    exit 2
}

company=01
pin_today=""
register=""
expected=""
own_config=""
close_today=""
while [ $# -gt 0 ]; do
    case $1 in
    --company | --register | --expected)
        [ $# -ge 2 ] || usage
        case $1 in
        --company) company=$2 ;;
        --register) register=$2 ;;
        --expected)
            case $2 in
            required | if-present) expected=$2 ;;
            *) usage ;;
            esac
            ;;
        esac
        shift 2
        ;;
    --today) pin_today=yes; shift ;;
    --own-config) own_config=yes; shift ;;
    --close-today) close_today=yes; shift ;;
    -*) usage ;;
    *) break ;;
    esac
done
[ $# -eq 3 ] || usage
script_bin=$1
server_bin=$2
script=$3

# shellcheck source=../../scripts/lib/demo-server.sh
. "$(dirname "$0")/../../scripts/lib/demo-server.sh"

make_scratch_dir pag-transcript

if [ -n "$own_config" ]; then
    XDG_CONFIG_HOME=$work/config
    mkdir "$XDG_CONFIG_HOME"
    export XDG_CONFIG_HOME
fi

# The demo operators' password, in the environment: never on a command line.
PAG_PASSWORD=demo
export PAG_PASSWORD

today=$(date +%F)
today_br=$(date +%d/%m/%Y)
db="sqlite:$work/pag00900.db"
start_demo_server run_transcript "$work/server.log" 30 "$server_bin" --db "$db" --seed demo
[ -z "$close_today" ] || "$server_bin" close-period "$company" "$today" --db "$db" 2>>"$work/server.log"

set -- --server "127.0.0.1:$demo_server_port" --db "$db" --operator OPERADOR --company "$company" \
    --branch 0001
[ -z "$pin_today" ] || set -- "$@" --today "$today"
[ -z "$register" ] || set -- "$@" --register "$register"
status=0
"$script_bin" "$@" "$script" >"$work/transcript" || status=$?
if [ -n "$pin_today" ]; then
    sed -e "s|$today|TODAY|g" -e "s|$today_br|TODAY_BR|g" "$work/transcript" >"$work/transcript.normal"
else
    cp "$work/transcript" "$work/transcript.normal"
fi
cat "$work/transcript.normal"
if [ "$status" -ne 0 ]; then
    echo "run_transcript: pag-script ended with status $status; server log:" >&2
    cat "$work/server.log" >&2
    exit "$status"
fi
if [ "$expected" = required ] || { [ "$expected" = if-present ] && [ -f "$script.expected" ]; }; then
    if ! diff -u "$script.expected" "$work/transcript.normal" >&2; then
        echo "run_transcript: the transcript differs from $script.expected" >&2
        exit 1
    fi
fi
