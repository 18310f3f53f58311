#!/usr/bin/env bash
# Builds and runs the benchmarks against the virtual meter, and the archive's against a
# PostgreSQL cluster of this run's own (one that waits for the disk), stopped on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"$(nproc)" --target bench_exchange bench_archive bench_archive_server \
    bench_round vilt-sim vilt-cli
VILT_SIM=build-bench/sim/vilt-sim build-bench/bench/bench_exchange "$@"
build-bench/bench/bench_archive
pg_dir=$(mktemp -d)
trap 'scripts/test-postgres.sh stop "$pg_dir"' EXIT
pg_env=$(VILT_PG_DURABLE=1 scripts/test-postgres.sh start "$pg_dir")
eval "$pg_env"
build-bench/bench/bench_archive_server
# About half an hour: 24 meters through modems at the default (full) exchange, one line
# and then four.
VILT_SIM=build-bench/sim/vilt-sim VILT_CLI=build-bench/cli/vilt-cli build-bench/bench/bench_round
# A round of 40 meters shared through the server: one station against two.
bench/shared_round.sh build-bench
