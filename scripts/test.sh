#!/bin/sh
# The test command: installs what is missing, builds, and runs every test through CTest with a
# throwaway PostgreSQL cluster on a loopback port (stopped again at the end), so the database
# tests run on SQLite and on PostgreSQL.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec scripts/pg-test-cluster.sh run ctest --test-dir build --output-on-failure --timeout 600 -j2
