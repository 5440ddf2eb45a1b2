#!/usr/bin/env bash
# Runs one test executable headless, with its settings store and working directory in a
# fresh temporary folder, inside a private network namespace of its own.
set -euo pipefail

# Each test gets a namespace of its own, so fixed ports (7112, 7123) never collide between
# tests that ctest runs side by side.
if [ "${VORNE_IN_NETNS:-}" != 1 ]; then
    exec "$(dirname "$0")/in-netns.sh" "$0" "$@"
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vorne-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/home" "$scratch/work" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export XDG_CONFIG_HOME="$scratch/config" HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime"
export QT_QPA_PLATFORM=offscreen
export VORNE_TEST_SCRATCH="$scratch"
cd "$scratch/work"
"$@"
