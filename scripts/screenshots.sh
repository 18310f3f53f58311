#!/usr/bin/env bash
# Starts the window under Xvfb against a virtual meter, opens each visible page and saves
# one PNG per page, and one after connecting with a password, into the folder given (default
# screenshots/), once for each locale.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVILT_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target vilt-screenshots vilt-sim

. scripts/demo-meter.sh
# Under a Russian and under a plain workstation locale: the window must read the same. The
# first reply to a journal read comes garbled, so the traffic page shows a refused reply and
# the retry that follows it.
for lang in ru_RU.UTF-8 C.UTF-8; do
    start_demo_meter build --fault "14 crc 0 1"
    export XDG_RUNTIME_DIR="$demo_dir/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    # A second meter, behind a modem, as Com2: the tour dials it first.
    build/sim/vilt-sim --modem --link "$XDG_DATA_HOME/vilt-service/ports/com2" --factory 54321 \
        </dev/null >"$demo_dir/modem.out" &
    modem_pid=$!
    for _ in $(seq 100); do grep -q '^READY ' "$demo_dir/modem.out" && break; sleep 0.1; done
    LANG=$lang xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
        build/tools/screenshots/vilt-screenshots "$out/$lang"
    kill "$modem_pid" 2>/dev/null || true
    wait "$modem_pid" 2>/dev/null || true
    stop_demo_meter
done
ls "$out"/*
