#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
#   ./run.sh           the window, on the real serial ports
#   ./run.sh --demo    the window against a virtual meter mapped as Com1 for this run
#   ./run.sh --cli ARGS        vilt-cli with ARGS (--help lists the commands)
#   ./run.sh --demo --cli ARGS vilt-cli against the virtual meter (--port Com1 is the default)
set -euo pipefail
cd "$(dirname "$0")"

# Standard output carries only the program's answer: the build speaks on standard error.
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVILT_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" >&2

demo=no
if [ "${1:-}" = "--demo" ]; then
    demo=yes
    shift
    . scripts/demo-meter.sh
    start_demo_meter build
fi

if [ "${1:-}" = "--cli" ]; then
    shift
    build/cli/vilt-cli "$@"
elif [ "$demo" = yes ]; then
    echo "Choose Com1 under «Порт» and press the connect button." >&2
    build/src/app/vilt-service "$@"
else
    exec build/src/app/vilt-service "$@"
fi
