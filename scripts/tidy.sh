#!/bin/sh
# Runs clang-tidy (checks in .clang-tidy) over the project's C++ sources with the compile
# database of a build folder, several files at a time; exits non-zero when any check fires.
#
#   scripts/tidy.sh [REGEX...]    # default: every source of ours; REGEX narrows the file list
#
# PAG_BUILD_DIR chooses the build folder (default: build; configured here when it has no
# compile_commands.json yet); PAG_TIDY_JOBS the parallel jobs (default: the processor count);
# CLANG_TIDY the clang-tidy program (default: clang-tidy).
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=${PAG_BUILD_DIR:-build}
jobs=${PAG_TIDY_JOBS:-$(nproc 2>/dev/null || echo 2)}
clang_tidy=${CLANG_TIDY:-clang-tidy}

if [ ! -f "$build/compile_commands.json" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

# Our sources only: generated files (Qt's moc output under the build folder) are left out.
folders="platform|protocol|host|filter|recalculation|accounting|module|server|scripted|desktop|tests|bench"
if [ $# -eq 0 ]; then
    set -- "^$root/($folders)/.*\\.cpp\$"
fi

runner=""
for candidate in run-clang-tidy run-clang-tidy-14; do
    if command -v "$candidate" >/dev/null 2>&1; then runner=$candidate; break; fi
done

if [ -n "$runner" ]; then
    exec "$runner" -quiet -p "$build" -j "$jobs" -clang-tidy-binary "$(command -v "$clang_tidy")" "$@"
fi

# Without run-clang-tidy: the same files from the compile database, one clang-tidy each.
echo "tidy.sh: run-clang-tidy not found, running $clang_tidy file by file" >&2
python3 -c 'import json, sys; print("\n".join(e["file"] for e in json.load(open(sys.argv[1]))))' \
    "$build/compile_commands.json" | sort -u | grep -E "$(printf '%s|' "$@" | sed 's/|$//')" |
    tr '\n' '\0' | xargs -0 -r -n 1 -P "$jobs" "$clang_tidy" --quiet -p "$build"
