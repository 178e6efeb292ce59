#!/usr/bin/env bash
# Runs one program of the Windows cross build under Wine. The Wine prefix lives in the build
# folder (WINEPREFIX, set by the windows test preset), never in the home; the first program to
# run creates it, the others wait for that.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name a folder of the build}"
export WINEDEBUG="${WINEDEBUG:--all}" WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
# The MinGW runtime libraries (libstdc++, libgcc, winpthread) are found where Debian installs them.
runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
export WINEPATH="${runtime};/usr/x86_64-w64-mingw32/lib${WINEPATH:+;$WINEPATH}"
mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wine wineboot --init >/dev/null 2>&1
    fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
