#!/usr/bin/env bash
# Builds the Release benchmarks (the `bench` preset) and runs them: start-up and shut-down
# against the bare loader loop at 100, 300 and 1000 packages, then the conflict scan against
# the natural directory walk, each with its counts (system calls and instructions, which do not
# move with the machine's load). Extra arguments go to the start-up benchmark (--sizes=…,
# --runs=…, --no-counts). Run it on a quiet machine: the times are wall-clock times.
#
#   scripts/bench.sh --compare REV [--runs=N]
#
# builds REV beside the working tree (a worktree in build/compare/), runs both benchmarks of both
# builds alternately, each run a fresh process, and prints every figure of the working tree's
# build with REV's and the ratio new/old, so that a regression shows before it lands.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

targets=(orvane_bench_startup orvane_bench_conflicts)

build() { # source folder
    (cd "$1" && cmake --preset bench >/dev/null &&
        nice cmake --build --preset bench -j "$(nproc)" --target "${targets[@]}")
}

if [ "${1:-}" != --compare ]; then
    build .
    build/bench/bin/orvane_bench_startup "$@"
    echo
    build/bench/bin/orvane_bench_conflicts --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true
    exit 0
fi

rev="${2:?usage: scripts/bench.sh --compare REV [--runs=N]}"
runs=5
for arg in "${@:3}"; do
    case "$arg" in
    --runs=*) runs="${arg#--runs=}" ;;
    *) echo "bench: unknown argument $arg" >&2; exit 2 ;;
    esac
done
old="build/compare/$(git rev-parse --short "$rev")"
if [ ! -d "$old" ]; then
    mkdir -p build/compare
    git worktree add --detach "$old" "$rev" >/dev/null
fi
build "$old"
build .

# One figure a line, "name value", from one run of each benchmark of one build.
figures() { # bin folder
    "$1/orvane_bench_startup" --sizes=100,300 --runs=1 |
        awk '/^Start-up/ {t="init"} /^Shut-down/ {t="exit"}
             t && $1 ~ /^[0-9]+$/ && NF >= 4 {print t "." $1 "pkg.platform_ms", $2; print t "." $1 "pkg.bare_ms", $3}
             /^ *system calls/ {print "startup.syscalls_per_package", $3}
             /^ *user instructions/ {print "startup.instructions_beyond_bare_per_package", $5}'
    "$1/orvane_bench_conflicts" --benchmark_repetitions=1 2>/dev/null |
        sed 's/\x1b\[[0-9;]*m//g' |
        awk '/^(CheckIcons|NaturalWalk|BaselineWalk)\// {sub(/\/.*/, "", $1); print "conflicts." $1 "_ms", $2}
                 /^ *system calls per folder/ {print "conflicts.syscalls_per_folder", $(NF-2)}
                 /^ *user instructions per file/ {print "conflicts.instructions_per_file", $(NF-2)}'
}

new_file="$(mktemp)" old_file="$(mktemp)"
trap 'rm -f "$new_file" "$old_file"' EXIT
for ((run = 1; run <= runs; ++run)); do
    echo "bench: run $run of $runs" >&2
    figures "$old/build/bench/bin" >>"$old_file"
    figures build/bench/bin >>"$new_file"
done

echo "Working tree against $rev ($runs runs each, alternating, medians):"
awk 'function median(list, n,   i, j, t, a) {
         n = split(list, a, " ")
         for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j) if (a[j] < a[i]) {t = a[i]; a[i] = a[j]; a[j] = t}
         return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
     }
     FNR == NR {old[$1] = old[$1] " " $2; next}
     {new[$1] = new[$1] " " $2; if (!($1 in seen)) {seen[$1] = 1; order[++count] = $1}}
     END {
         printf "%-48s %14s %14s %9s\n", "figure", "old", "new", "new/old"
         for (i = 1; i <= count; ++i) {
             k = order[i]; o = median(old[k]); n = median(new[k])
             printf "%-48s %14.2f %14.2f %9.3f\n", k, o, n, (o != 0 ? n / o : 0)
         }
     }' "$old_file" "$new_file"
