#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build-test -DVILT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-test -j"$(nproc)"

XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
ctest --test-dir build-test --no-tests=error --output-on-failure -j2 "$@"
