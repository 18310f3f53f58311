#!/usr/bin/env bash
# The include check finds an upward include planted into a copy of the tree, and a sideways
# one between two core folders of one floor; the tree as it is passes.
set -euo pipefail
source_dir=$1
check="$source_dir/scripts/check-includes.sh"
"$check" "$source_dir"

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
plant() {  # FILE HEADER: expect the check to refuse the tree with that include in FILE
    rm -rf "${copy:?}"/*
    cp -r "$source_dir"/{src,cli,sim,tools} "$copy"/
    echo "#include \"$2\"" >>"$copy/$1"
    if "$check" "$copy" 2>"$copy/said"; then
        echo "not found: $1 including $2" >&2
        exit 1
    fi
    grep -q "^$1:" "$copy/said" || { cat "$copy/said" >&2; exit 1; }
}
plant src/link/crc.h station/station.h
plant src/ops/energy.h app/frame/presenter.h
plant src/tariff/model.h limits/limits.h
plant src/app/widgets/string_grid.h app/frame/presenter.h
plant src/app/frame/presenter.h app/readings/month_page.h
plant sim/crc16.h link/crc.h
echo "planted includes found"
