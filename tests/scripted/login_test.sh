#!/bin/sh
# The scripted host's login against a pag-server with the demo data: the password from
# PAG_PASSWORD or from --password-file gives the same transcript; a wrong one, or none at all,
# ends pag-script with status 1, a Portuguese message and nothing run.
#
# Usage: login_test.sh PAG_SCRIPT PAG_SERVER SCRIPT.pag
set -eu
[ $# -eq 3 ] || { echo "usage: login_test.sh PAG_SCRIPT PAG_SERVER SCRIPT.pag" >&2; exit 2; }
script_bin=$1
server_bin=$2
script=$3

# shellcheck source=../../scripts/lib/demo-server.sh
. "$(dirname "$0")/../../scripts/lib/demo-server.sh"

make_scratch_dir pag-login-test

db="sqlite:$work/pag00900.db"
start_demo_server login_test "$work/server.log" 30 "$server_bin" --db "$db" --seed demo
unset PAG_PASSWORD

fail() {
    echo "login_test: $*" >&2
    for f in "$work"/*.err; do
        [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
    done
    exit 1
}

# Runs pag-script with the given options before the script; NAME.out, NAME.err, NAME.status.
run() {
    name=$1
    shift
    status=0
    "$script_bin" --server "127.0.0.1:$demo_server_port" --db "$db" --operator OPERADOR \
        --company 01 --branch 0001 "$@" "$script" >"$work/$name.out" 2>"$work/$name.err" ||
        status=$?
    echo "$status" >"$work/$name.status"
}
status_of() { cat "$work/$1.status"; }

PAG_PASSWORD=demo run environment
[ "$(status_of environment)" -eq 0 ] || fail "with PAG_PASSWORD: status $(status_of environment)"
[ -s "$work/environment.out" ] || fail "with PAG_PASSWORD: no transcript"

printf 'demo\n' >"$work/password"
chmod 600 "$work/password"
run file --password-file "$work/password"
[ "$(status_of file)" -eq 0 ] || fail "with --password-file: status $(status_of file)"
cmp -s "$work/environment.out" "$work/file.out" ||
    fail "the transcripts with PAG_PASSWORD and with --password-file differ"

# The file wins over the environment.
PAG_PASSWORD=errada run both --password-file "$work/password"
[ "$(status_of both)" -eq 0 ] || fail "--password-file with a wrong PAG_PASSWORD: status $(status_of both)"

run none
[ "$(status_of none)" -eq 1 ] || fail "without a password: status $(status_of none), expected 1"
[ ! -s "$work/none.out" ] || fail "without a password: the script ran"
grep -q "o servidor exige login" "$work/none.err" || fail "without a password: no clear message"
grep -q "PAG_PASSWORD" "$work/none.err" || fail "without a password: the message does not say how"

PAG_PASSWORD=errada run wrong
[ "$(status_of wrong)" -eq 1 ] || fail "with a wrong password: status $(status_of wrong), expected 1"
[ ! -s "$work/wrong.out" ] || fail "with a wrong password: the script ran"
grep -q "recusado: Operador ou senha inválidos" "$work/wrong.err" ||
    fail "with a wrong password: the server's refusal is not shown"
if grep -q "errada" "$work/wrong.err" "$work/server.log"; then
    fail "the wrong password was written out"
fi

run missing --password-file "$work/nao-existe"
[ "$(status_of missing)" -eq 2 ] || fail "with an unreadable --password-file: status $(status_of missing), expected 2"
echo "login_test: ok"
