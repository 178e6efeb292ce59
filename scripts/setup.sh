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

# Debian has MinGW builds of neither tinyxml2 nor Qt 5, so the cross build makes them from the
# source packages Debian builds the Linux ones from, at the same versions. Their index is read
# from the machine's own apt sources, as deb-src, through an apt configuration of its own in a
# temporary folder; the machine's apt configuration stays as it is.
[ "${1:-}" = windows ] || exit 0
tinyxml2_source=/usr/local/src/tinyxml2
qt_version="$(dpkg-query -W -f='${Version}' qtbase5-dev)"
qt_prefix="$(bash "$(dirname "$0")/qt-mingw-prefix.sh")"
qt_complete() { [ -f "$qt_prefix/bin/Qt5Core.dll" ] && [ -f "$qt_prefix/mkspecs/win32-g++/qplatformdefs.h" ]; }
if [ -f "$tinyxml2_source/tinyxml2.cpp" ] && qt_complete; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "setup: $tinyxml2_source or $qt_prefix is missing (run as root to make them)" >&2
    exit 1
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
# Every deb line of the machine's sources, one-line and deb822 alike, as a deb-src line.
{
    { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p'
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             { types = ""; uris = ""; suites = ""; comps = ""; opts = ""
               for (i = 1; i <= NF; i++) {
                   if ($i ~ /^Types:/) types = $i
                   else if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
                   else if ($i ~ /^Suites:/) { suites = $i; sub(/^Suites:[ \t]*/, "", suites) }
                   else if ($i ~ /^Components:/) { comps = $i; sub(/^Components:[ \t]*/, "", comps) }
                   else if ($i ~ /^Signed-By:/) { opts = $i; sub(/^Signed-By:[ \t]*/, "", opts) }
               }
               if (types !~ /(^|[ \t])deb([ \t]|$)/) next
               n = split(suites, s, /[ \t]+/); m = split(uris, u, /[ \t]+/)
               for (j = 1; j <= m; j++) for (k = 1; k <= n; k++)
                   printf "deb-src %s%s %s %s\n", (opts != "" ? "[signed-by=" opts "] " : ""), u[j], s[k], comps }' "$f"
    done
} >"$work/sources.list"
apt_private=(-o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache"
             -o APT::Sandbox::User=root)
echo "setup: reading the source index of $(grep -c . "$work/sources.list") apt sources" >&2
apt-get "${apt_private[@]}" update -qq

if [ ! -f "$tinyxml2_source/tinyxml2.cpp" ]; then
    version="$(dpkg-query -W -f='${Version}' libtinyxml2-dev)"
    echo "setup: fetching tinyxml2 $version source" >&2
    (cd "$work" && apt-get "${apt_private[@]}" source -qq "tinyxml2=$version" >/dev/null)
    mkdir -p "$tinyxml2_source"
    cp "$work"/tinyxml2-*/tinyxml2.cpp "$work"/tinyxml2-*/tinyxml2.h "$tinyxml2_source"/
fi

if ! qt_complete; then
    bash "$(dirname "$0")/build-qt-mingw.sh" "$work" "$qt_version" "$qt_prefix" "${apt_private[@]}"
fi
