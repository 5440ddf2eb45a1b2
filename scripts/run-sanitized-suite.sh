#!/usr/bin/env bash
# Runs the whole test suite of a sanitized build (VORNE_SANITIZE or VORNE_FUZZ) and fails
# when any sanitizer wrote a report: the tests' own and those of the programs they start
# land in BUILD/sanitizer-logs/, where a test that only checks a child's output would not
# notice them.
#   run-sanitized-suite.sh BUILD [CTEST OPTIONS...]
set -uo pipefail

build=$1
shift
logs="$build/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"

(cd "$build" && ctest --output-on-failure "$@")
status=$?

reports=("$logs"/*)
if [ -e "${reports[0]}" ]; then
    for report in "${reports[@]}"; do
        echo "=== $report"
        cat "$report"
    done
    echo "run-sanitized-suite: ${#reports[@]} sanitizer reports in $logs" >&2
    status=1
fi
exit $status
