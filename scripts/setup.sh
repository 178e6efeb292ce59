#!/usr/bin/env bash
# Installs the system packages the build needs, only those that are missing. With the argument
# "windows", also the MinGW-w64 cross compiler, Wine, GoogleTest's sources and tinyxml2's.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qtbase5-dev qtbase5-dev-tools
          qttools5-dev-tools libtinyxml2-dev libspdlog-dev libgtest-dev libgmock-dev
          libbenchmark-dev libcli11-dev clang-format ccache clang-14 libclang-rt-14-dev fiu-utils gdb
          strace valgrind)
if [ "${1:-}" = windows ]; then
    packages+=(g++-mingw-w64-x86-64-posix wine wine64 googletest libfmt-dev dpkg-dev)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -ne 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: missing packages: ${missing[*]} (run as root or install them)" >&2
        exit 1
    fi
    echo "setup: installing ${missing[*]}" >&2
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Debian has no MinGW build of tinyxml2, so the cross build compiles it from Debian's source
# package: the same version as the Linux build's libtinyxml2-dev, with Debian's patches, unpacked
# into /usr/local/src/tinyxml2. The source index is read through an apt configuration of its own
# in a temporary folder; the machine's apt sources stay as they are.
tinyxml2_source=/usr/local/src/tinyxml2
if [ "${1:-}" = windows ] && [ ! -f "$tinyxml2_source/tinyxml2.cpp" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: $tinyxml2_source is missing (run as root to fetch it)" >&2
        exit 1
    fi
    version="$(dpkg-query -W -f='${Version}' libtinyxml2-dev)"
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
    cat >"$work/source.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    apt_private=(-o Dir::Etc::SourceList="$work/source.sources" -o Dir::Etc::SourceParts=/dev/null
                 -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache"
                 -o APT::Sandbox::User=root)
    echo "setup: fetching tinyxml2 $version source" >&2
    apt-get "${apt_private[@]}" update -qq
    (cd "$work" && apt-get "${apt_private[@]}" source -qq "tinyxml2=$version" >/dev/null)
    mkdir -p "$tinyxml2_source"
    cp "$work"/tinyxml2-*/tinyxml2.cpp "$work"/tinyxml2-*/tinyxml2.h "$tinyxml2_source"/
fi
