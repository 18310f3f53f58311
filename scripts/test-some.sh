#!/usr/bin/env bash
# The developer's quick loop: builds (with the sanitizers, in build-test as ./test.sh does)
# only the suites whose names match, and the programs they drive, then runs them.
#   scripts/test-some.sh tst_round             one suite (a ctest regular expression)
#   scripts/test-some.sh 'tst_cli|tst_station' several
set -euo pipefail
cd "$(dirname "$0")/.."
pattern=${1:?usage: scripts/test-some.sh PATTERN [ctest options]}
shift

scripts/install-deps.sh
cmake -S . -B build-test -DVILT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
suites=$(ctest --test-dir build-test -N -R "$pattern" | sed -n 's/^ *Test *#[0-9]*: //p')
[ -n "$suites" ] || { echo "no suite matches $pattern" >&2; exit 2; }
targets=(vilt-cli vilt-sim)
for suite in $suites; do
    case "$suite" in
        check_includes) ;;  # a script
        *) targets+=("$suite") ;;
    esac
done
cmake --build build-test -j"$(nproc)" --target "${targets[@]}"

XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
pg_dir=$(mktemp -d)
trap 'scripts/test-postgres.sh stop "$pg_dir"; rm -rf "$XDG_RUNTIME_DIR"' EXIT
eval "$(scripts/test-postgres.sh start "$pg_dir")"
ctest --test-dir build-test --no-tests=error --output-on-failure -j"${VILT_TEST_JOBS:-6}" \
    -R "$pattern" "$@"
