#!/usr/bin/env bash
# Builds and runs the benchmarks against the virtual meter.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"$(nproc)" --target bench_exchange bench_archive bench_round \
    vilt-sim vilt-cli
VILT_SIM=build-bench/sim/vilt-sim build-bench/bench/bench_exchange "$@"
build-bench/bench/bench_archive
# About half an hour: 24 meters through modems at the default (full) exchange, one line
# and then four.
VILT_SIM=build-bench/sim/vilt-sim VILT_CLI=build-bench/cli/vilt-cli build-bench/bench/bench_round
