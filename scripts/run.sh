#!/bin/sh
# The run command: installs what is missing, builds, starts pag-server on loopback over the
# embedded database and opens pag-desktop on PAG00900 (without a display: the demo script in
# pag-script, logged in with the demo password from PAG_PASSWORD). Arguments go to
# scripts/run-desktop.sh.
set -eu
# The demo operators' password, in the environment (never on a command line); the desktop asks
# for it in its login dialog.
PAG_PASSWORD=${PAG_PASSWORD:-demo}
export PAG_PASSWORD
cd "$(dirname "$0")/.."
scripts/install-deps.sh
exec scripts/run-desktop.sh "$@"
