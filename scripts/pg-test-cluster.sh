#!/usr/bin/env bash
# Starts and stops a throwaway PostgreSQL cluster on a loopback port for the database tests.
#
#   eval "$(scripts/pg-test-cluster.sh start)"   # exports PAG_TEST_PG_URL and PAG_PG_CLUSTER_DIR
#   scripts/pg-test-cluster.sh stop [DIR]         # DIR defaults to $PAG_PG_CLUSTER_DIR
#   scripts/pg-test-cluster.sh restart [DIR]      # fast restart on the same port (tests of reconnection)
#   scripts/pg-test-cluster.sh run COMMAND...     # start, run COMMAND with the variables set, stop
#
# The cluster lives in a fresh directory under ${TMPDIR:-/tmp}, listens on 127.0.0.1 only, on a
# free port, with trust authentication for the user "pag" and a database "pag_test". It is made
# for speed, not durability (fsync off): never keep data in it. The C collation makes ORDER BY on
# text compare bytes, as SQLite does. Run as root, the cluster runs as the user "postgres"
# (initdb refuses root). When initdb is missing and we are root on Debian, the postgresql package
# is installed first. Progress goes to standard error; "start" prints only the export lines.
set -euo pipefail

readonly MARKER=".pag-pg-test-cluster"
readonly PG_USER="pag"
readonly PG_DB="pag_test"

die() { echo "pg-test-cluster: $*" >&2; exit 1; }
say() { echo "pg-test-cluster: $*" >&2; }

# Directory holding initdb/pg_ctl: the highest version under /usr/lib/postgresql, else the PATH.
find_bindir() {
    local dir version best="" best_version=-1
    for dir in /usr/lib/postgresql/*/bin; do
        [[ -x "$dir/initdb" && -x "$dir/pg_ctl" ]] || continue
        version="${dir#/usr/lib/postgresql/}"
        version="${version%%/*}"
        [[ "$version" =~ ^[0-9]+$ ]] || version=0
        if (( version > best_version )); then best="$dir"; best_version=$version; fi
    done
    if [[ -z "$best" ]] && command -v initdb >/dev/null 2>&1; then
        best="$(dirname "$(command -v initdb)")"
    fi
    echo "$best"
}

ensure_binaries() {
    local bindir
    bindir="$(find_bindir)"
    if [[ -z "$bindir" ]]; then
        if [[ $EUID -eq 0 ]] && command -v apt-get >/dev/null 2>&1; then
            say "initdb not found; installing the postgresql package"
            export DEBIAN_FRONTEND=noninteractive
            apt-get update >&2
            apt-get install -y --no-install-recommends postgresql >&2
            bindir="$(find_bindir)"
        fi
        [[ -n "$bindir" ]] || die "initdb not found: install PostgreSQL (Debian: apt-get install postgresql)"
    fi
    echo "$bindir"
}

# Runs a command as the cluster's owner: ourselves, or "postgres" when we are root.
as_owner() {
    if [[ $EUID -eq 0 ]]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

cmd_start() {
    local bindir dir port attempt started=0
    bindir="$(ensure_binaries)"
    if [[ $EUID -eq 0 ]]; then
        id postgres >/dev/null 2>&1 || die "running as root needs the user 'postgres' to own the cluster"
    fi
    dir="$(mktemp -d "${TMPDIR:-/tmp}/pag-pg.XXXXXX")"
    touch "$dir/$MARKER"
    chmod 0755 "$dir"
    [[ $EUID -eq 0 ]] && chown postgres: "$dir"

    as_owner "$bindir/initdb" -D "$dir/data" -U "$PG_USER" --auth=trust -E UTF8 --no-locale \
        --no-sync >"$dir/initdb.log" 2>&1 \
        || { cat "$dir/initdb.log" >&2; rm -rf "$dir"; die "initdb failed"; }

    for attempt in 1 2 3 4 5 6 7 8; do
        port=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
        port_in_use "$port" && continue
        if as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
            -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=100" \
            start >&2; then
            started=1
            break
        fi
        say "start on port $port failed (attempt $attempt); retrying on another port"
    done
    if (( ! started )); then
        cat "$dir/server.log" >&2 || true
        rm -rf "$dir"
        die "could not start the cluster"
    fi
    as_owner "$bindir/createdb" -h 127.0.0.1 -p "$port" -U "$PG_USER" "$PG_DB" >&2 \
        || { cmd_stop "$dir"; die "createdb failed"; }
    echo "$bindir" >"$dir/bindir"

    say "cluster running in $dir on 127.0.0.1:$port"
    echo "export PAG_TEST_PG_URL=postgresql://$PG_USER@127.0.0.1:$port/$PG_DB"
    echo "export PAG_PG_CLUSTER_DIR=$dir"
}

# The cluster folder named by the command's argument or PAG_PG_CLUSTER_DIR, checked to be one
# this script made; sets dir and bindir.
cluster_of() {
    local command=$1
    dir="${2:-${PAG_PG_CLUSTER_DIR:-}}"
    [[ -n "$dir" ]] || die "$command: no directory given and PAG_PG_CLUSTER_DIR is not set"
    [[ -f "$dir/$MARKER" ]] || die "$command: $dir is not a test cluster made by this script"
    bindir="$(cat "$dir/bindir" 2>/dev/null || find_bindir)"
}

cmd_stop() {
    local dir bindir
    cluster_of stop "${1:-}"
    if [[ -f "$dir/data/postmaster.pid" && -n "$bindir" ]]; then
        as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >&2 || say "pg_ctl stop failed"
    fi
    rm -rf -- "$dir"
    say "cluster in $dir stopped and removed"
}

cmd_restart() {
    local dir bindir
    cluster_of restart "${1:-}"
    # pg_ctl restart reuses the options of the running server, the port included.
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -m fast -w -t 60 restart >&2 \
        || die "restart failed"
}

cmd_run() {
    (( $# > 0 )) || die "run: no command given"
    local exports
    exports="$(cmd_start)"
    eval "$exports"
    trap 'cmd_stop "$PAG_PG_CLUSTER_DIR"' EXIT
    local rc=0
    "$@" || rc=$?
    return "$rc"
}

case "${1:-}" in
start) shift; cmd_start "$@" ;;
stop) shift; cmd_stop "$@" ;;
restart) shift; cmd_restart "$@" ;;
run) shift; cmd_run "$@" ;;
*) echo "usage: $0 start | stop [DIR] | restart [DIR] | run COMMAND..." >&2; exit 2 ;;
esac
