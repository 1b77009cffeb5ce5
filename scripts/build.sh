#!/bin/sh
# Configures and builds everything in ./build (release with debug information); arguments go to
# the configure step (e.g. -DCMAKE_COMPILE_WARNING_AS_ERROR=ON, as scripts/test.sh passes).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build
