#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers (and the Release configuration) and
# runs every test.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
# No file includes a header of a layer above its own (docs/architecture.md).
scripts/check-includes.sh
cmake -S . -B build-test -DVILT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-test -j"$(nproc)"
# The Release configuration with tests and benchmarks must compile too: some faults show
# in one configuration only.
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVILT_TESTS=ON >/dev/null
cmake --build build-release -j"$(nproc)"
# The Debian package from that build: lintian, its contents, its vilt-cli run unpacked.
scripts/check-package.sh build-release

XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
# A PostgreSQL cluster of this run's own for the archive's server cases, stopped on exit
# whatever the outcome.
pg_dir=$(mktemp -d)
trap 'scripts/test-postgres.sh stop "$pg_dir"; rm -rf "$XDG_RUNTIME_DIR"' EXIT
pg_env=$(scripts/test-postgres.sh start "$pg_dir")
eval "$pg_env"
ctest --test-dir build-test --no-tests=error --output-on-failure -j2 "$@"
