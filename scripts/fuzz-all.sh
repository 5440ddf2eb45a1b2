#!/usr/bin/env bash
# Runs every fuzz target of a VORNE_FUZZ build one after the other (they share the machine's
# cores with nothing else that way), each for SECONDS, keeping what each finds in
# BUILD/fuzz-corpus/<target> for the next run.
#   fuzz-all.sh BUILD SECONDS [TARGET...]
set -euo pipefail

build=$1
seconds=$2
shift 2
here=$(dirname "$0")

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for seeds in "$build"/fuzz/*.seeds; do
        [ -e "$seeds" ] && targets+=("$(basename "$seeds" .seeds)")
    done
fi
[ ${#targets[@]} -gt 0 ] || { echo "fuzz-all: no fuzz targets in $build/fuzz" >&2; exit 2; }

failed=()
for name in "${targets[@]}"; do
    binary="$build/fuzz/$name"
    [ -x "$binary" ] && [ -f "$binary.seeds" ] || { echo "fuzz-all: no target $name" >&2; exit 2; }
    "$here/run-fuzzer.sh" "$binary" "$(cat "$binary.seeds")" "$seconds" \
        "$build/fuzz-corpus/$name" || failed+=("$name")
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz-all: findings in ${failed[*]}" >&2
    exit 1
fi
