#!/bin/sh
# Builds the benchmarks in Release (build-bench), runs every one of them (the PostgreSQL ones on
# a throwaway cluster when one can be started, the desktop's under Xvfb when it is built) and
# prints one table: each bar, the figures it compares, their ratio and whether it holds.
#
#   scripts/bench.sh [--quick] [--filter REGEX]
#
# --quick runs each benchmark once (a check that they run, not figures to keep); --filter passes
# a regular expression to every program's --benchmark_filter. The JSON results stay in
# build-bench/results/. Figures are only worth comparing on a quiet machine.
set -eu
cd "$(dirname "$0")/.."
build=${PAG_BENCH_BUILD_DIR:-build-bench}
filter="."
repetitions="--benchmark_repetitions=3 --benchmark_report_aggregates_only=true"
while [ $# -gt 0 ]; do
    case "$1" in
    --quick) repetitions="--benchmark_min_time=0" ;;
    --filter) shift; filter="$1" ;;
    *) echo "bench.sh: opção desconhecida: $1" >&2; exit 2 ;;
    esac
    shift
done

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
programs="pag_bench_server pag_bench_manyservers pag_bench_dataset pag_bench_screen"
desktop=""
if grep -q '^PAG_BUILD_DESKTOP:BOOL=ON' "$build/CMakeCache.txt"; then desktop="pag_bench_desktop"; fi
cmake --build "$build" --target $programs $desktop

results="$build/results"
rm -rf "$results"
mkdir -p "$results"
run() { # program [launcher...]: runs one benchmark program, its JSON into the results folder
    program=$1
    shift
    echo "bench.sh: $program" >&2
    "$@" "$build/bench/$program" --benchmark_filter="$filter" $repetitions \
        --benchmark_out="$results/$program.json" --benchmark_out_format=json >&2
}

# The server's benchmarks on a throwaway PostgreSQL cluster when PostgreSQL is installed (or a
# cluster is named already), else without: the PostgreSQL ones are then skipped with a message.
if [ -z "${PAG_TEST_PG_URL:-}" ] && ls /usr/lib/postgresql/*/bin/initdb >/dev/null 2>&1; then
    run pag_bench_server scripts/pg-test-cluster.sh run
    run pag_bench_manyservers scripts/pg-test-cluster.sh run
else
    run pag_bench_server
    run pag_bench_manyservers
fi
run pag_bench_dataset
run pag_bench_screen
if [ -n "$desktop" ]; then run pag_bench_desktop xvfb-run -a -s "-screen 0 1280x1024x24"; fi

python3 scripts/lib/benchtable.py "$results"/*.json
