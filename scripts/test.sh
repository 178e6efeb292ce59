#!/usr/bin/env bash
# Builds and runs the tests. Without an argument: every stage, as CI runs them — the dev build,
# fault injection against the dev build's kaldor (scripts/faults.sh), the dev build's tests
# under AddressSanitizer and UBSan with leak detection on (both include the stress program), the
# Windows cross build's tests under Wine, and every fuzz target for 30 seconds.
# Every stage runs even when an earlier one failed, so that one run shows everything that is
# wrong; the run fails if any stage did. With a preset name (dev, asan, windows), only that one.
set -uo pipefail
cd "$(dirname "$0")/.."

if [ $# -gt 0 ]; then
    set -e
    preset="$1"
    bash scripts/setup.sh "$preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
    ctest --preset "$preset" -j "$(nproc)"
    exit 0
fi

start=$SECONDS
failed=()
stage() {
    local name="$1"
    shift
    local began=$SECONDS
    if "$@"; then
        echo "test: $name passed in $((SECONDS - began)) s"
    else
        echo "test: $name FAILED after $((SECONDS - began)) s"
        failed+=("$name")
    fi
}
stage dev bash scripts/test.sh dev
stage faults bash scripts/faults.sh
stage asan bash scripts/test.sh asan
stage windows bash scripts/test.sh windows
stage fuzz bash scripts/fuzz.sh 30
echo "test: finished in $((SECONDS - start)) s"
if [ ${#failed[@]} -ne 0 ]; then
    echo "test: failed: ${failed[*]}"
    exit 1
fi
