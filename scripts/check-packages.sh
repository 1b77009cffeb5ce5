#!/bin/sh
# Builds the Debian packages pag-server, pag-desktop and pag-script from an existing build
# folder (default ./build, as scripts/build.sh leaves it), checks them with lintian, unpacks
# them into a throwaway root and runs what was installed there: every program's --version, and
# the demonstration script in the installed pag-script against the installed pag-server. The
# same demonstration then runs on a `cmake --install --prefix` of the build. The packages stay
# in BUILD/packages.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
[ -f "$build/CPackConfig.cmake" ] || { echo "check-packages: $build is not a configured build folder" >&2; exit 2; }

rm -rf "$build/packages"
(cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
set -- "$build"/packages/*.deb
for package in pag-server pag-desktop pag-script; do
    ls "$build"/packages/"${package}"_*.deb >/dev/null 2>&1 || {
        echo "check-packages: no $package package in $build/packages" >&2
        exit 1
    }
done

# Errors fail the check; warnings are shown.
lintian --fail-on error --allow-root "$@"

root=$(mktemp -d "${TMPDIR:-/tmp}/pag-packages.XXXXXX")
trap 'rm -rf "$root"' EXIT INT TERM
for deb in "$@"; do dpkg-deb -x "$deb" "$root"; done
for program in pag-server pag-desktop pag-script; do
    version=$("$root/usr/bin/$program" --version)
    echo "check-packages: $version"
done

# The installed hosts find their modules beside their own folder, never in the build tree.
[ -f "$root/usr/lib/pag00900/libPKG_PAG00900.so" ]
tests/support/run_transcript.sh "$root/usr/bin/pag-script" "$root/usr/bin/pag-server" \
    "$root/usr/share/doc/pag-script/examples/demo.pag" >/dev/null
echo "check-packages: the demonstration ran on the installed programs"

cmake --install "$build" --prefix "$root/stage" >/dev/null
tests/support/run_transcript.sh "$root/stage/bin/pag-script" "$root/stage/bin/pag-server" \
    scripted/demo.pag >/dev/null
echo "check-packages: the demonstration ran on the programs of cmake --install"
