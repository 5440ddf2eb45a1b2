#!/usr/bin/env bash
# Runs a command inside a private network namespace with only loopback up, so nothing the
# program or a test sends (discovery broadcasts included) can reach a real network.
# Set VORNE_ALLOW_HOST_NETWORK=1 to run without one on your own machine (at your own risk).
set -euo pipefail

if [ "${VORNE_IN_NETNS:-}" = 1 ]; then
    exec "$@"
fi

inner='ip link set lo up && VORNE_IN_NETNS=1 exec "$@"'
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
    exec unshare -n bash -c "$inner" bash "$@"
elif unshare -rn true 2>/dev/null; then
    exec unshare -rn bash -c "$inner" bash "$@"
elif [ "${VORNE_ALLOW_HOST_NETWORK:-}" = 1 ]; then
    echo "in-netns: no private network namespace; running on the host network as asked" >&2
    exec "$@"
fi
cat >&2 <<MSG
in-netns: cannot create a private network namespace (unshare -n / unshare -rn failed).
The tests and the demo must not send packets to a real network, so they do not run.
Enable unprivileged user namespaces (sysctl kernel.unprivileged_userns_clone=1), run as
root, or set VORNE_ALLOW_HOST_NETWORK=1 to run them on this machine's network anyway.
MSG
exit 2
