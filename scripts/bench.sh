#!/usr/bin/env bash
# Builds the Release benchmarks (the `bench` preset) and runs them: start-up and shut-down
# against the bare loader loop at 100, 300 and 1000 packages, then the conflict scan against
# the bare directory walk. Extra arguments go to the start-up benchmark (--sizes=…, --runs=…).
# Run it on a quiet machine: the figures are wall-clock times.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)" --target orvane_bench_startup orvane_bench_conflicts
build/bench/bin/orvane_bench_startup "$@"
echo
build/bench/bin/orvane_bench_conflicts --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true
