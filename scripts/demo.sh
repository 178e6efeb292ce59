#!/usr/bin/env bash
# Builds the release preset and brings the bundled demo installation up with the host program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exec build/release/bin/kaldor run "$@"
