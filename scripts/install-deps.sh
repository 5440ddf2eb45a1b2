#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12; does nothing when all of it
# is there already. Runs apt-get as root, or through sudo.
set -euo pipefail

# binutils: the tests make Intel HEX files with objcopy; iproute2 and util-linux: the private
# network namespaces (ip, unshare) every test and the demo run in; git: the workspace's
# commit, push and pull, and the tests of them; libqt5charts5-dev: the Plot tab; clang-14 with
# libclang-rt-14-dev (libFuzzer and the sanitizer runtimes) and llvm-14 (llvm-symbolizer for
# readable reports): the fuzz targets and the sanitized build.
packages=(
    build-essential cmake ninja-build
    qtbase5-dev qtbase5-dev-tools libqt5charts5-dev
    iproute2 util-linux binutils git
    clang-14 libclang-rt-14-dev llvm-14
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
