#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang-14, libFuzzer, AddressSanitizer and UBSan) and
# runs each for the given number of seconds (default 30), all targets or the ones named:
#   scripts/fuzz.sh [seconds] [target...]      e.g. scripts/fuzz.sh 3600 fuzz_elf_image
# Each target starts from its seeds in tests/fuzz/corpus/<name>/ and keeps what it learns in
# build/fuzz/corpus/<name>/, so longer runs build on earlier ones. A crash stops that target,
# leaves its input in build/fuzz/artifacts/ and fails the script; the input belongs in the seed
# corpus once the fault is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_file_path fuzz_load_list fuzz_elf_image fuzz_pe_image fuzz_log_records
             fuzz_setting_file fuzz_search_path)
fi
mkdir -p build/fuzz/artifacts
failed=()
for target in "${targets[@]}"; do
    name="${target#fuzz_}"
    work="build/fuzz/corpus/$name"
    mkdir -p "$work"
    log="build/fuzz/$target.log"
    # -timeout: no single input may take five seconds; -rss_limit_mb keeps a runaway from the machine.
    if build/fuzz/bin/"$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$name-" \
        "$work" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
        status=passed
    else
        status=FAILED
        failed+=("$target")
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "fuzz: $target $status: ${runs:-?} runs in ${seconds} s, ${rate:-?} per second"
    if [ "$status" = FAILED ]; then
        grep -E "ERROR|SUMMARY|Test unit written|==[0-9]+==" "$log" | head -20 >&2 || true
    fi
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz: failed: ${failed[*]} (inputs in build/fuzz/artifacts/, logs in build/fuzz/)" >&2
    exit 1
fi
