#!/usr/bin/env bash
# Builds the Debian package in a configured build folder (Release) and checks it: lintian
# finds no error, the package holds what it should with its programs stripped, it depends
# on the SQL drivers Qt loads as plugins, and vilt-cli, unpacked into a throw-away root,
# runs from there.
#   scripts/check-package.sh BUILD_DIR
# The package is left in BUILD_DIR (vilt-service_VERSION_ARCH.deb).
set -euo pipefail

build=${1:-}
if [ -z "$build" ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
# A folder not configured yet gets a Release configuration of the programs alone.
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$(dirname "$0")/.." -B "$build" -DCMAKE_BUILD_TYPE=Release -DVILT_TESTS=OFF \
        >/dev/null
fi
if [ ! -f "$build/CPackConfig.cmake" ]; then
    echo "$0: $build is configured without the package (VILT_PACKAGE=OFF)" >&2
    exit 2
fi
build=$(cd "$build" && pwd)

fail() {
    echo "check-package: $*" >&2
    exit 1
}

cmake --build "$build" --target vilt-service vilt-cli vilt-sim vilt-package-files \
    -j"$(nproc)" >/dev/null
rm -f "$build"/vilt-service_*.deb
made=$(cd "$build" && cpack -G DEB 2>&1) || {
    echo "$made" >&2
    fail "cpack failed"
}
debs=("$build"/vilt-service_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no package"
deb=${debs[0]}
echo "package: $deb"

status=0
report=$(lintian --fail-on error "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" || true
[ "$status" -eq 0 ] || fail "lintian found errors"

dpkg-deb -c "$deb"
listed=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in usr/bin/vilt-service usr/bin/vilt-cli usr/bin/vilt-sim \
    usr/share/applications/vilt-service.desktop \
    usr/share/icons/hicolor/scalable/apps/vilt-service.svg \
    usr/share/man/man1/vilt-service.1.gz usr/share/man/man1/vilt-cli.1.gz \
    usr/share/man/man1/vilt-sim.1.gz usr/share/doc/vilt-service/copyright; do
    grep -qx "\./$path" <<<"$listed" || fail "missing from the package: /$path"
done

depends=$(dpkg-deb -f "$deb" Depends)
for driver in libqt6sql6-sqlite libqt6sql6-psql; do
    grep -qw "$driver" <<<"$depends" || fail "Depends lacks $driver: $depends"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
for program in vilt-service vilt-cli vilt-sim; do
    if readelf -S "$root/usr/bin/$program" | grep -q '\.symtab'; then
        fail "/usr/bin/$program is not stripped"
    fi
done
help=$("$root/usr/bin/vilt-cli" --help) || fail "the packaged vilt-cli --help failed"
[[ $help == "usage: vilt-cli "* ]] || fail "the packaged vilt-cli --help printed: $help"
echo "package checked: $(basename "$deb")"
