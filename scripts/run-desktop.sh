#!/bin/sh
# Builds the programs, starts pag-server on loopback over the embedded database (created and
# seeded with the demo data on its first run) and opens pag-desktop on it; the server stops when
# the desktop ends. Without a display ($DISPLAY unset) it runs the demo script in pag-script
# instead and prints its transcript.
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

# The server's embedded database, where it creates it when started without --db.
data_home=${XDG_DATA_HOME:-${HOME:?HOME não definido}/.local/share}
database="sqlite:$data_home/pag00900/pag00900.db"

log=$(mktemp "${TMPDIR:-/tmp}/pag-server.XXXXXX")
server_pid=""
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=""
    fi
    rm -f "$log"
}
trap stop_server EXIT
trap 'exit 130' INT TERM

# shellcheck disable=SC2086  # $seed is empty or two words
"$build/bin/pag-server" --listen 127.0.0.1:0 $seed 2>"$log" &
server_pid=$!

# The server names its port once it listens: "... em 127.0.0.1:PORT (banco ...)".
port=""
tries=0
while [ -z "$port" ]; do
    port=$(sed -n 's/.* em 127\.0\.0\.1:\([0-9][0-9]*\) .*/\1/p' "$log" | head -n 1)
    [ -n "$port" ] && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
        echo "run-desktop: o pag-server terminou antes de atender:" >&2
        cat "$log" >&2
        exit 1
    fi
    tries=$((tries + 1))
    if [ "$tries" -gt 600 ]; then
        echo "run-desktop: o pag-server não atendeu em 60 s" >&2
        exit 1
    fi
    sleep 0.1
done
echo "pag-server atendendo em 127.0.0.1:$port ($database)"

status=0
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
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
    "$build/bin/pag-script" --server "127.0.0.1:$port" --db "$database" \
        --register "CTB10200=$build/lib/libCTB10200.so" "$script" || status=$?
fi
exit "$status"
