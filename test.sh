#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers (and the Release configuration) and
# runs every test.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build-test -DVILT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-test -j"$(nproc)"
# The Release configuration with tests and benchmarks must compile too: some faults show
# in one configuration only.
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVILT_TESTS=ON >/dev/null
cmake --build build-release -j"$(nproc)"

XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
ctest --test-dir build-test --no-tests=error --output-on-failure -j2 "$@"
