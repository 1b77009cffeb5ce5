#!/bin/sh
# Runs a filter-dialog script through run_smoke.sh with the saved options kept in a throwaway
# configuration folder, so a script that saves options leaves the user's own alone.
# Usage: run_filter_script.sh RUN_SMOKE PAG_SCRIPT PAG_SERVER SCRIPT.pag
set -eu
config=$(mktemp -d "${TMPDIR:-/tmp}/pag-filter-config.XXXXXX")
trap 'rm -rf "$config"' EXIT INT TERM
XDG_CONFIG_HOME=$config
export XDG_CONFIG_HOME
status=0
sh "$1" "$2" "$3" "$4" || status=$?
exit "$status"
