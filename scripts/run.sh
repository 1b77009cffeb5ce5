#!/bin/sh
# The run command: installs what is missing, builds, starts pag-server on loopback over the
# embedded database and opens pag-desktop on PAG00900 (without a display: the demo script in
# pag-script). Arguments go to scripts/run-desktop.sh.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
exec scripts/run-desktop.sh "$@"
