#!/bin/sh
# Builds the programs, starts pag-server on loopback over the embedded database (created and
# seeded with the demo data on its first run) and opens pag-desktop on it; the server stops when
# the desktop ends. Without a display ($DISPLAY unset) it runs the demo script in pag-script
# instead, over a throwaway database seeded today, and prints its transcript.
#
#   scripts/run-desktop.sh [--reseed] [OPTIONS OF pag-desktop...]
#
# --reseed replaces the database's contents with fresh demo data dated from today (the demo's
# "paid today" write-offs are those of the day it was seeded). PAG_BUILD_DIR chooses the build
# folder (default: build); PAG_DEMO_SCRIPT the script run without a display.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=${PAG_BUILD_DIR:-build}

seed=""
if [ "${1:-}" = "--reseed" ]; then
    seed="--seed demo"
    shift
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target pag-server pag-desktop pag-script PKG_PAG00900 CTB10200

# With a display: the server's embedded database, where it creates it when started without
# --db. Without one: the demonstration runs over a throwaway database seeded today, so it always
# finds today's write-offs and leaves the user's database alone.
has_display=""
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    has_display=yes
fi
demo_dir=""
server_db=""
if [ -n "$has_display" ]; then
    data_home=${XDG_DATA_HOME:-${HOME:?HOME não definido}/.local/share}
    database="sqlite:$data_home/pag00900/pag00900.db"
else
    demo_dir=$(mktemp -d "${TMPDIR:-/tmp}/pag-demo.XXXXXX")
    database="sqlite:$demo_dir/pag00900.db"
    server_db="--db $database"
    seed="--seed demo"
fi

# shellcheck source=lib/demo-server.sh
. "$root/scripts/lib/demo-server.sh"
demo_server_ended_msg="%s: o pag-server terminou antes de atender:"
demo_server_timeout_msg="%s: o pag-server não atendeu em %s s"

log=$(mktemp "${TMPDIR:-/tmp}/pag-server.XXXXXX")
stop_server() {
    stop_demo_server
    rm -f "$log"
    [ -z "$demo_dir" ] || rm -rf "$demo_dir"
}
trap stop_server EXIT
trap 'exit 130' INT TERM

# shellcheck disable=SC2086  # $server_db and $seed are empty or two words
start_demo_server run-desktop "$log" 60 "$build/bin/pag-server" $server_db $seed
port=$demo_server_port
echo "pag-server atendendo em 127.0.0.1:$port ($database)"

status=0
if [ -n "$has_display" ]; then
    "$build/bin/pag-desktop" --server "127.0.0.1:$port" --db "$database" --open PAG00900 "$@" || status=$?
else
    script=${PAG_DEMO_SCRIPT:-}
    if [ -z "$script" ]; then
        for candidate in "$root/scripted/demo.pag" "$root/tests/scripted/demo.pag" "$root/tests/scripted/smoke.pag"; do
            if [ -f "$candidate" ]; then
                script=$candidate
                break
            fi
        done
    fi
    echo "Sem tela (DISPLAY não definido): executando o roteiro $script no pag-script."
    # The demo operators' password, in the environment (never on the command line).
    PAG_PASSWORD=${PAG_PASSWORD:-demo}
    export PAG_PASSWORD
    "$build/bin/pag-script" --server "127.0.0.1:$port" --db "$database" \
        --register "CTB10200=$build/lib/libCTB10200.so" "$script" || status=$?
fi
exit "$status"
