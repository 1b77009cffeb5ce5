#!/bin/sh
# The run command: installs what is missing, builds, and runs what is built so far.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
echo "Construído em build/. A demonstração completa chega com o servidor e os hosts."
ctest --test-dir build -L smoke --output-on-failure || true
