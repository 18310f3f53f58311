#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
#   ./run.sh [ARGS]          vilt-cli with ARGS (--help for the commands)
#   ./run.sh --demo [ARGS]   the same against a virtual meter mapped as Com1 for this run
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVILT_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"

if [ "${1:-}" != "--demo" ]; then
    exec build/cli/vilt-cli "$@"
fi
shift

# The demo: a virtual meter on a pseudo-terminal, linked as com1 in a port map of its own.
demo=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$demo"
}
trap cleanup EXIT
export XDG_DATA_HOME="$demo/data"
mkdir -p "$XDG_DATA_HOME/vilt-service/ports"
build/sim/vilt-sim --link "$XDG_DATA_HOME/vilt-service/ports/com1" --factory 12345 \
    --place "ТП-15" --password 4321 --baud 2400 </dev/null >"$demo/sim.out" &
sim_pid=$!
for _ in $(seq 100); do
    grep -q '^READY ' "$demo/sim.out" 2>/dev/null && break
    kill -0 "$sim_pid" 2>/dev/null || { echo "the virtual meter did not start" >&2; exit 1; }
    sleep 0.1
done
grep -q '^READY ' "$demo/sim.out" || { echo "the virtual meter did not get ready" >&2; exit 1; }
echo "Virtual meter 12345 (password 4321) on Com1 -> $(sed -n 's/^READY //p' "$demo/sim.out")"

[ $# -gt 0 ] || set -- identify
build/cli/vilt-cli --port Com1 "$@"
