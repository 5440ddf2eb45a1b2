#!/usr/bin/env bash
# The newcomer's demo: one simulated board and the program connected to it, both inside a
# private network namespace. Closing the window stops the simulator.
set -euo pipefail
bin=${1:?usage: run-demo.sh BIN_DIR}
rom_dir=${VORNE_DEMO_ROM_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/vorne-demo-rom.XXXXXX")}

# Boards serve their console on port 23, which the "Devices" menu connects to. Inside the
# private namespace we may bind it; on the host network (opt-out) fall back to 2323.
port=23
[ "${VORNE_IN_NETNS:-}" = 1 ] || port=2323

"$bin/vorne-boardsim" --listen "127.0.0.1:$port" --rom-dir "$rom_dir" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
# Give the simulator a moment to listen before the program connects.
for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done
echo "demo: simulated board on 127.0.0.1:$port, ROM writes land in $rom_dir"
"$bin/vorne-commander" 127.0.0.1 "$port"
