#!/usr/bin/env bash
# The newcomer's demo: one simulated board and the program connected to it, both inside a
# private network namespace. Closing the window stops the simulator.
set -euo pipefail
bin=${1:?usage: run-demo.sh BIN_DIR}
rom_dir=${VORNE_DEMO_ROM_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/vorne-demo-rom.XXXXXX")}

"$bin/vorne-boardsim" --listen 127.0.0.1:2323 --rom-dir "$rom_dir" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
# Give the simulator a moment to listen before the program connects.
for _ in $(seq 50); do
    (exec 3<>/dev/tcp/127.0.0.1/2323) 2>/dev/null && break
    sleep 0.1
done
"$bin/vorne-commander" 127.0.0.1 2323
