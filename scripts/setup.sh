#!/usr/bin/env bash
# Installs the system packages the build needs, only those that are missing. With the argument
# "windows", also the MinGW-w64 cross compiler, Wine and GoogleTest's sources.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qtbase5-dev qtbase5-dev-tools
          qttools5-dev-tools libtinyxml2-dev libspdlog-dev libgtest-dev libgmock-dev
          libbenchmark-dev libcli11-dev clang-format ccache clang-14 libclang-rt-14-dev)
if [ "${1:-}" = windows ]; then
    packages+=(g++-mingw-w64-x86-64-posix wine wine64 googletest libfmt-dev)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]} (run as root or install them)" >&2
    exit 1
fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
