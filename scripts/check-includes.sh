#!/usr/bin/env bash
# Fails when a file includes a header of a layer above its own. The CMake targets keep the
# linked symbols apart; this keeps the headers apart too.
#   scripts/check-includes.sh [ROOT]     ROOT: the source tree (default: this checkout)
#
# Each folder stands on a floor. A file may include headers of its own folder and of lower
# floors; never of a higher floor, nor sideways of another folder on its own floor, except
# that the window's pages (app/<page>/) may use one another.
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"

floor_of() {
    case "$1" in
        comm) echo 0 ;;
        link) echo 1 ;;
        tariff | limits | service | dialup) echo 2 ;;
        ops | archive) echo 3 ;;
        station) echo 4 ;;
        sheet | report) echo 5 ;;
        app/widgets | cli) echo 6 ;;
        app/frame) echo 7 ;;
        app/main) echo 9 ;;
        app/*) echo 8 ;;
        tools) echo 10 ;;
        sim) echo 0 ;;
        *) echo "" ;;
    esac
}

# The layer a path (a file in the tree, or an include's path under src/) belongs to.
layer_of() {
    local path=${1#src/}
    case "$path" in
        app/main_window.* | app/main.cpp | app/start.*) echo app/main ;;
        app/*/*) local rest=${path#app/}; echo "app/${rest%%/*}" ;;
        tools/*) echo tools ;;
        */*) echo "${path%%/*}" ;;
        *) echo "" ;;
    esac
}

faults=0
while IFS= read -r file; do
    own=$(layer_of "$file")
    own_floor=$(floor_of "$own")
    [ -n "$own_floor" ] || continue
    while IFS= read -r line; do
        header=$(sed -E 's/^[0-9]+:#include "([^"]+)".*/\1/' <<<"$line")
        [[ $header == */* ]] || continue  # a header beside the file
        theirs=$(layer_of "$header")
        their_floor=$(floor_of "$theirs")
        [ -n "$their_floor" ] || continue
        [ "$theirs" = "$own" ] && continue
        if [ "$own" = sim ] || [ "$their_floor" -gt "$own_floor" ] ||
            { [ "$their_floor" -eq "$own_floor" ] && [ "$own_floor" -ne 8 ]; }; then
            echo "$file:${line%%:*}: $own (floor $own_floor) includes $header ($theirs, floor $their_floor)" >&2
            faults=$((faults + 1))
        fi
    done < <(grep -nE '^#include "' "$file" || true)
done < <(find src cli sim tools -name '*.h' -o -name '*.cpp' | sort)

if [ "$faults" -gt 0 ]; then
    echo "check-includes: $faults include(s) reach above their layer" >&2
    exit 1
fi
