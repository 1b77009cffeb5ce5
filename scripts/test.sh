#!/bin/sh
# The test command: installs what is missing, builds, starts a throwaway PostgreSQL cluster
# and runs every test (SQLite and PostgreSQL).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
PGDIR=""
if [ -x scripts/pg-test-cluster.sh ]; then
  PGDIR=$(mktemp -d /tmp/pag-pg.XXXXXX)
  PAG_TEST_PG_URL=$(scripts/pg-test-cluster.sh start "$PGDIR")
  export PAG_TEST_PG_URL
  trap 'scripts/pg-test-cluster.sh stop "$PGDIR" >/dev/null 2>&1 || true' EXIT INT TERM
fi
cd build
ctest --output-on-failure --timeout 300 -j2
