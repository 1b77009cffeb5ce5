# Starts a pag-server on a free loopback port and stops it again; sourced by the scripts that
# run the programs against a server of their own.
#
#   start_demo_server NAME LOG SECONDS SERVER [SERVER OPTIONS...]
#       Starts SERVER with the options and --listen 127.0.0.1:0 in the background, its standard
#       error in LOG, and waits until it names its port there. Sets demo_server_pid and
#       demo_server_port. If the server ends first, or names no port within SECONDS, it prints
#       why (prefixed by NAME, then the log when the server ended) and exits the script with 1.
#       The two messages are demo_server_ended_msg and demo_server_timeout_msg (printf formats
#       taking NAME, and NAME and SECONDS), which a caller may set before starting.
#   stop_demo_server
#       Stops the server started, if any, and waits for it. Safe to call more than once.
#   make_scratch_dir PREFIX
#       Makes a throwaway folder under $TMPDIR (or /tmp) and sets work to it; when the script
#       ends, the server is stopped and the folder removed.
#
# Invariant: demo_server_pid is empty exactly while no started server is left to stop.
# shellcheck shell=sh

demo_server_pid=""
demo_server_port=""
: "${demo_server_ended_msg:=%s: pag-server ended before listening:}"
: "${demo_server_timeout_msg:=%s: pag-server did not listen within %s s}"

start_demo_server() {
    _dsname=$1
    _dslog=$2
    _dsseconds=$3
    shift 3
    "$@" --listen 127.0.0.1:0 2>"$_dslog" &
    demo_server_pid=$!

    # The server names its port once it listens: "... em 127.0.0.1:PORT (banco ...)".
    demo_server_port=""
    _dstries=0
    while :; do
        demo_server_port=$(sed -n 's/.* em 127\.0\.0\.1:\([0-9][0-9]*\) .*/\1/p' "$_dslog" 2>/dev/null | head -n 1)
        [ -n "$demo_server_port" ] && return 0
        if ! kill -0 "$demo_server_pid" 2>/dev/null; then
            # shellcheck disable=SC2059  # the message is the format
            printf "$demo_server_ended_msg\n" "$_dsname" >&2
            cat "$_dslog" >&2
            exit 1
        fi
        _dstries=$((_dstries + 1))
        if [ "$_dstries" -gt $((_dsseconds * 10)) ]; then
            # shellcheck disable=SC2059  # the message is the format
            printf "$demo_server_timeout_msg\n" "$_dsname" "$_dsseconds" >&2
            exit 1
        fi
        sleep 0.1
    done
}

stop_demo_server() {
    if [ -n "$demo_server_pid" ]; then
        kill "$demo_server_pid" 2>/dev/null || true
        wait "$demo_server_pid" 2>/dev/null || true
        demo_server_pid=""
    fi
}

make_scratch_dir() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
    trap 'stop_demo_server; rm -rf "$work"' EXIT INT TERM
}
