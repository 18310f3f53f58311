#!/usr/bin/env bash
# Builds the libFuzzer target NAME with clang in build-fuzz and runs it for RUNS inputs
# (default 1000000) on a copy of its corpus, so what it finds on the way stays out of git;
# further arguments go to libFuzzer.
#   fuzz/run.sh tariff_file
#   fuzz/run.sh tariff_file 50000
#   fuzz/run.sh options 10000000 -max_len=512
set -euo pipefail
cd "$(dirname "$0")/.."

name=${1:?usage: fuzz/run.sh NAME [RUNS [LIBFUZZER OPTIONS...]]}
runs=${2:-1000000}
shift $(($# < 2 ? $# : 2))
if [ ! -f "fuzz/$name.cpp" ] || [ ! -d "fuzz/corpus/$name" ]; then
    echo "fuzz/run.sh: no fuzz target '$name' (fuzz/$name.cpp and fuzz/corpus/$name/)" >&2
    exit 2
fi

scripts/install-deps.sh
# clang and its libFuzzer runtime.
missing=()
for p in clang libclang-rt-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}" >&2
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq >&2
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >&2
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVILT_FUZZ=ON -DVILT_WERROR=OFF -DVILT_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target "fuzz_$name"

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp -r "fuzz/corpus/$name/." "$corpus/"
start=$(date +%s%N)
"build-fuzz/fuzz/fuzz_$name" -runs="$runs" -print_final_stats=1 "$@" "$corpus"
ms=$((($(date +%s%N) - start) / 1000000))
printf 'fuzz_%s: %s runs in %d.%03d s\n' "$name" "$runs" $((ms / 1000)) $((ms % 1000))
