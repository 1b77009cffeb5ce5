#!/bin/sh
# The test command: installs what is missing, checks the formatting, builds with warnings as
# errors and runs every test through CTest with a throwaway PostgreSQL cluster on a loopback
# port (stopped again at the end), so the database tests run on SQLite and on PostgreSQL. It
# makes the Debian packages from that build and runs what they install (check-packages.sh). Then
# it builds the test programs again with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan (no desktop) and runs those tests the same way.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/format.sh --check
scripts/build.sh -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
scripts/pg-test-cluster.sh run ctest --test-dir build --output-on-failure --timeout 600 -j2
scripts/check-packages.sh build

# -O1 keeps the sanitized programs fast enough for the reliability tests' time limits.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DPAG_SANITIZE="address;undefined" -DPAG_BUILD_DESKTOP=OFF >/dev/null
cmake --build build-asan --target pag_tests
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_stack_use_after_return=1:strict_init_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
exec scripts/pg-test-cluster.sh run ctest --test-dir build-asan --output-on-failure --timeout 600 -j2
