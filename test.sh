#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers (and the Release configuration) and
# runs every test.
#   ./test.sh                 everything
#   ./test.sh -R tst_round    only the suites whose names match (ctest's own options)
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
# No file includes a header of a layer above its own (docs/architecture.md).
scripts/check-includes.sh
cmake -S . -B build-test -DVILT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-test -j"$(nproc)"

XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
# A PostgreSQL cluster of this run's own for the archive's server cases, stopped on exit
# whatever the outcome.
pg_dir=$(mktemp -d)
test_log=$(mktemp)
tests_pid=
trap '[ -n "$tests_pid" ] && kill "$tests_pid" 2>/dev/null; scripts/test-postgres.sh stop "$pg_dir"; rm -rf "$XDG_RUNTIME_DIR" "$test_log"' EXIT
pg_env=$(scripts/test-postgres.sh start "$pg_dir")
eval "$pg_env"
# The suites mostly wait (for the line, the modem, the meter's replies), not compute: many run
# at once, and the Release build below goes on beside them.
ctest --test-dir build-test --no-tests=error --output-on-failure -j"${VILT_TEST_JOBS:-6}" "$@" \
    >"$test_log" 2>&1 &
tests_pid=$!

# The Release configuration with tests and benchmarks must compile too: some faults show
# in one configuration only. Then the Debian package from that build: lintian, its contents,
# its vilt-cli run unpacked.
build_status=0
{
    cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVILT_TESTS=ON >/dev/null &&
        cmake --build build-release -j"$(nproc)" &&
        scripts/check-package.sh build-release
} || build_status=$?

test_status=0
wait "$tests_pid" || test_status=$?
tests_pid=
cat "$test_log"
[ "$build_status" -eq 0 ] || { echo "the Release build or the package check failed" >&2; exit "$build_status"; }
exit "$test_status"
