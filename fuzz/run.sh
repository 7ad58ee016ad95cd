#!/usr/bin/env bash
# Runs every fuzz target for a fixed time on a copy of its seed corpus, so the
# committed corpus does not grow. Usage: fuzz/run.sh BUILD_DIR SECONDS
set -uo pipefail
build_dir="$(cd "${1:?build folder}" && pwd)"
seconds=${2:-60}
source_dir="$(cd "$(dirname "$0")" && pwd)"
targets=(spec_reader_fuzz dialogue_fuzz report_readers_fuzz tool_inputs_fuzz)

passed=0
failed=0
for target in "${targets[@]}"; do
    # Absolute paths: the dialogue target works in a folder of its own.
    work="$build_dir/fuzz-work/$target"
    rm -rf "$work" && mkdir -p "$work/corpus" "$work/artifacts"
    cp "$source_dir/corpus/$target/"* "$work/corpus/"
    log="$work/fuzz.log"
    echo "fuzzing $target for $seconds s (log: $log)"
    if "$build_dir/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" >"$log" 2>&1; then
        grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$log"
        passed=$((passed + 1))
    else
        echo "$target found a fault; the input is in $work/artifacts/"
        tail -n 60 "$log"
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
