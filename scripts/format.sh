#!/bin/sh
# Formats the project's C++ sources with .clang-format; with --check it changes nothing, lists
# the files whose formatting differs and exits 1 when there is any.
#
#   scripts/format.sh [--check] [FILE...]    # default: every *.h and *.cpp under version control
#
# CLANG_FORMAT chooses the program (default: clang-format).
set -eu
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format}
command -v "$clang_format" >/dev/null 2>&1 || { echo "format.sh: $clang_format not found" >&2; exit 2; }

check=""
if [ "${1:-}" = "--check" ]; then
    check=1
    shift
fi

# The file list, one a line: the arguments, else the tracked sources (else all under the tree).
list=$(mktemp)
trap 'rm -f "$list"' EXIT
if [ $# -gt 0 ]; then
    printf '%s\n' "$@" >"$list"
elif git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -- '*.h' '*.cpp' >"$list"
else
    find . -path ./build -prune -o -path './build-*' -prune -o \
        \( -name '*.h' -o -name '*.cpp' \) -type f -print | sed 's|^\./||' | sort >"$list"
fi

if [ -z "$check" ]; then
    tr '\n' '\0' <"$list" | xargs -0 -r -n 50 "$clang_format" -i --style=file
    exit 0
fi

# Each file whose formatted text differs from its contents is printed; several run in parallel.
drift=$(tr '\n' '\0' <"$list" | xargs -0 -r -n 20 -P "$(nproc 2>/dev/null || echo 2)" sh -c '
    for f; do "$0" --style=file "$f" | cmp -s - "$f" || echo "$f"; done' "$clang_format" | sort)
if [ -n "$drift" ]; then
    echo "$drift"
    echo "format.sh: $(echo "$drift" | wc -l) file(s) differ from .clang-format; run scripts/format.sh" >&2
    exit 1
fi
