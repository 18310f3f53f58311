#!/usr/bin/env bash
# Builds and runs the benchmarks against the virtual meter.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"$(nproc)" --target bench_exchange bench_archive vilt-sim
VILT_SIM=build-bench/sim/vilt-sim build-bench/bench/bench_exchange "$@"
build-bench/bench/bench_archive
