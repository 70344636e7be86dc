#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang with ASan and UBSan) and gives each a
# short run: first every saved regression input once, then about 30 seconds of fuzzing over
# the seed corpus and the regressions. Exits non-zero when any target crashes, hangs, leaks or
# breaks one of its checks. FUZZ_SECONDS changes the length of each run.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${FUZZ_SECONDS:-30}
build=$root/build/fuzz

cmake --preset fuzz >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

targets=(fuzz_ini_file fuzz_cmdline fuzz_version fuzz_instance_description fuzz_setup_run
         fuzz_line_scan fuzz_setup_check fuzz_launcher_image)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=()
for target in "${targets[@]}"; do
    binary=$build/fuzz/$target
    corpus=$root/fuzz/corpus/$target
    regressions=$root/fuzz/regressions/$target
    log=$work/$target.log
    inputs=()
    [ -d "$corpus" ] && inputs+=("$corpus")
    [ -d "$regressions" ] && inputs+=("$regressions")

    # Every saved crash once, by itself.
    if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
        if ! "$binary" -runs=1 "$regressions"/* >"$log" 2>&1; then
            echo "FAIL $target: a regression input fails again"
            tail -n 40 "$log"
            failed+=("$target")
            continue
        fi
    fi

    # New inputs go to a scratch folder, never into the repository's corpus.
    mkdir -p "$work/$target"
    if "$binary" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/$target-" "$work/$target" "${inputs[@]}" >"$log" 2>&1; then
        runs=$(grep -a 'stat::number_of_executed_units' "$log" | awk '{print $2}')
        echo "ok   $target: $runs executions in ${seconds}s"
    else
        echo "FAIL $target"
        tail -n 60 "$log"
        for unit in "$work/$target"-*; do
            [ -f "$unit" ] || continue
            echo "  input: $unit ($(od -An -tx1 -v "$unit" | tr -d " \n" | head -c 400))"
        done
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]}"
    exit 1
fi
