#!/usr/bin/env bash
# Fuzzes one libFuzzer target for a while and says how many inputs it ran.
#   run-fuzzer.sh BINARY SEEDS [SECONDS] [CORPUS]
# SEEDS is the target's seed corpus (only read); CORPUS, where the inputs it finds are kept
# (a fresh temporary folder when not given). A finding (crash, sanitizer report, leak, an
# input slower than 10 s, more than 2 GiB) fails the run; the input that caused it is kept in
# findings/ beside the binary and the report is shown.
set -euo pipefail

binary=$1
seeds=$2
seconds=${3:-10}
corpus=${4:-}
name=$(basename "$binary")
findings="$(dirname "$binary")/findings"

work=$(mktemp -d "${TMPDIR:-/tmp}/vorne-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
[ -n "$corpus" ] || corpus="$work/corpus"
mkdir -p "$corpus" "$findings"

symbolizer=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
symbolizer=${symbolizer:+external_symbolizer_path=$symbolizer}
export ASAN_OPTIONS="$symbolizer"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${symbolizer:+:$symbolizer}"

log="$work/log"
if "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/$name-" "$corpus" "$seeds" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    inputs=$(find "$corpus" -type f | wc -l)
    echo "$name: ${runs:-?} executions in $seconds s, $inputs inputs in the corpus, no finding"
    exit 0
fi
# The report from its first line (the sanitizer's, libFuzzer's or a broken property's).
sed -n '/ERROR: \|runtime error: \|property broken: /,$p' "$log" | head -n 150
input=$(sed -n 's/.*Test unit written to //p' "$log")
echo "$name: FINDING; reproduce with: scripts/in-netns.sh $binary ${input:-(no input kept)}" >&2
exit 1
