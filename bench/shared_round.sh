#!/usr/bin/env bash
# A round of 40 meters shared through the archive's server (a throw-away cluster of its own):
# one station with two virtual modems against two such stations at once. Prints both times
# and how many meters each station visited; every meter must end visited exactly once.
#   bench/shared_round.sh BUILD_DIR [METERS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: bench/shared_round.sh BUILD_DIR [METERS]}
meters=${2:-40}
sim=$build/sim/vilt-sim
cli=$build/cli/vilt-cli

work=$(mktemp -d)
pg_dir=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    scripts/test-postgres.sh stop "$pg_dir"
    rm -rf "$work"
}
trap cleanup EXIT
eval "$(scripts/test-postgres.sh start "$pg_dir")"
url=$VILT_TEST_PG_URL

for n in $(seq 1 "$meters"); do
    echo "$((5550000 + n)) $((20000 + n))" >>"$work/book"
    echo "any;$((5550000 + n));$((20000 + n));;Дом $n" >>"$work/round.csv"
done
for m in 1 2 3 4; do
    # The simulator serves while its standard input stays open.
    sleep 100000 | "$sim" --modem --phonebook "$work/book" --link "$work/m$m" >/dev/null 2>&1 &
    pids+=($!)
done
for m in 1 2 3 4; do
    for _ in $(seq 50); do [ -e "$work/m$m" ] && break; sleep 0.1; done
done

station() {  # NAME MODEM MODEM
    "$cli" --fast --station "$1" round --shared "$url" --modems "$work/$2,$work/$3" \
        >"$work/$1.out" 2>/dev/null || true
}
visited() {
    psql "$url" -Atc "SELECT count(*), count(DISTINCT Line), sum(CASE WHEN Ok THEN 1 ELSE 0 END) FROM round_meters WHERE Visited IS NOT NULL"
}

"$cli" --archive "$url" round import "$work/round.csv" >/dev/null
start=$(date +%s.%N)
station alone m1 m2
alone=$(awk -v a="$(date +%s.%N)" -v b="$start" 'BEGIN { printf "%.1f", a - b }')
echo "one station, 2 modems, $meters meters: ${alone} s; visited, distinct, ok: $(visited)"

"$cli" --archive "$url" round import "$work/round.csv" >/dev/null
start=$(date +%s.%N)
station one m1 m2 &
first=$!
station two m3 m4
wait "$first"
both=$(awk -v a="$(date +%s.%N)" -v b="$start" 'BEGIN { printf "%.1f", a - b }')
echo "two stations, 2 modems each, $meters meters: ${both} s; visited, distinct, ok: $(visited)"
psql "$url" -Atc "SELECT Visited_by, count(*) FROM round_meters GROUP BY Visited_by ORDER BY 1" |
    sed 's/^/  by station /'
echo "speed-up: $(awk -v a="$alone" -v b="$both" 'BEGIN { printf "%.2f", a / b }')x"
