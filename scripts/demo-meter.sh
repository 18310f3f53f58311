# Sourced by run.sh and screenshots.sh: starts a virtual meter mapped as Com1 in a port
# map of its own (XDG_DATA_HOME of this run) and stops it on exit.
#   start_demo_meter BUILD_DIR [more vilt-sim options]
start_demo_meter() {
    demo_dir=$(mktemp -d)
    demo_sim_pid=
    trap 'stop_demo_meter' EXIT
    export XDG_DATA_HOME="$demo_dir/data"
    mkdir -p "$XDG_DATA_HOME/vilt-service/ports"
    "$1/sim/vilt-sim" --link "$XDG_DATA_HOME/vilt-service/ports/com1" --factory 12345 \
        --model 7 --version 30109 --place "ТП-15" --password 4321 --baud 2400 "${@:2}" \
        </dev/null >"$demo_dir/sim.out" &
    demo_sim_pid=$!
    for _ in $(seq 100); do
        grep -q '^READY ' "$demo_dir/sim.out" 2>/dev/null && break
        kill -0 "$demo_sim_pid" 2>/dev/null || { echo "the virtual meter did not start" >&2; return 1; }
        sleep 0.1
    done
    grep -q '^READY ' "$demo_dir/sim.out" || { echo "the virtual meter did not get ready" >&2; return 1; }
    echo "Virtual meter 12345 (password 4321) on Com1 -> $(sed -n 's/^READY //p' "$demo_dir/sim.out")" >&2
}

stop_demo_meter() {
    if [ -n "${demo_sim_pid:-}" ]; then
        kill "$demo_sim_pid" 2>/dev/null || true
        wait "$demo_sim_pid" 2>/dev/null || true
    fi
    rm -rf "${demo_dir:-}"
}
