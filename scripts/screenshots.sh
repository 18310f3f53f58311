#!/usr/bin/env bash
# Starts the window under Xvfb against a virtual meter, opens each visible page and saves
# one PNG per page, and one after connecting, into the folder given (default screenshots/).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVILT_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target vilt-service vilt-sim

. scripts/demo-meter.sh
start_demo_meter build
export XDG_RUNTIME_DIR="$demo_dir/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
LANG=ru_RU.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    build/src/app/vilt-service --screenshots "$out"
ls "$out"
