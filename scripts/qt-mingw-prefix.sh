#!/usr/bin/env bash
# Prints the folder that holds Qt 5 Core for MinGW-w64: ORVANE_QT_MINGW_PREFIX when set, otherwise
# a folder outside the repository named after the upstream version of the Linux qtbase5-dev, so
# that every checkout on this machine shares one build. setup.sh builds into it, the windows
# preset's configure reads from it.
set -euo pipefail
if [ -n "${ORVANE_QT_MINGW_PREFIX:-}" ]; then
    echo "$ORVANE_QT_MINGW_PREFIX"
    exit 0
fi
version="$(dpkg-query -W -f='${Version}' qtbase5-dev)"
echo "/usr/local/lib/orvane-qt5-mingw/${version%%+*}"
