#!/bin/sh
# pag-server's configuration file: every option the packaged file shows is one the server
# takes, with a value it accepts; the file's values are used; the command line wins over them;
# an unknown name is refused.
#
# Usage: config_file_test.sh PAG_SERVER PACKAGED.conf
set -eu
[ $# -eq 2 ] || { echo "usage: config_file_test.sh PAG_SERVER PACKAGED.conf" >&2; exit 2; }
server_bin=$1
packaged=$2

# shellcheck source=../../scripts/lib/demo-server.sh
. "$(dirname "$0")/../../scripts/lib/demo-server.sh"
make_scratch_dir pag-config-test

fail() {
    echo "config_file_test: $*" >&2
    [ -f "$work/err" ] && cat "$work/err" >&2
    exit 1
}

# The packaged file with its examples turned on: CLI11 checks the names and values while
# parsing, before --help ends the program.
sed -n 's/^# \([a-z][a-z-]* = \)/\1/p' "$packaged" >"$work/all.conf"
[ "$(wc -l <"$work/all.conf")" -ge 10 ] || fail "too few examples in $packaged"
"$server_bin" --config "$work/all.conf" --help >/dev/null 2>"$work/err" ||
    fail "the packaged configuration's examples are refused"

cat >"$work/seed.conf" <<CONF
# Loads the demonstration data into a.db and ends.
db = "sqlite:$work/a.db"
seed = "demo"
seed-only = true
CONF
"$server_bin" --config "$work/seed.conf" 2>"$work/err" || fail "the configuration was not used"
[ -f "$work/a.db" ] || fail "the database of the configuration was not made"

"$server_bin" --config "$work/seed.conf" --db "sqlite:$work/b.db" 2>"$work/err" ||
    fail "the command line over the configuration failed"
[ -f "$work/b.db" ] || fail "the command line's database was not made"
rm "$work/a.db"
"$server_bin" --config "$work/seed.conf" --db "sqlite:$work/b.db" 2>"$work/err"
[ ! -f "$work/a.db" ] || fail "the configuration's database was used over the command line's"

printf 'listn = "127.0.0.1:0"\n' >"$work/typo.conf"
if "$server_bin" --config "$work/typo.conf" --seed-only 2>"$work/err"; then
    fail "an unknown name in the configuration was accepted"
fi
grep -q listn "$work/err" || fail "the refusal does not name the unknown option"

# A named file that does not exist is an error, not an empty configuration.
if "$server_bin" --config "$work/none.conf" --seed-only 2>"$work/err"; then
    fail "a missing configuration file was accepted"
fi
grep -q "Não foi possível ler o arquivo de configuração \"$work/none.conf\"" "$work/err" ||
    fail "the refusal of a missing configuration file is not the Portuguese one"

# "--config=" reads no file at all, and the option after it stays an option.
"$server_bin" --config= --db "sqlite:$work/c.db" --seed demo --seed-only 2>"$work/err" ||
    fail "--config= was refused"
[ -f "$work/c.db" ] || fail "the database given after --config= was not made"
echo "config_file_test: ok"
