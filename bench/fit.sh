#!/usr/bin/env bash
# Whole fits, from a specification to a passing history: kolvane_fit with its
# defaults (300 trials per attempt, every core) on three specifications, each
# the best of three wall times, with the attempts of the last run.
#
#   bench/fit.sh [build folder]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$(realpath -m "${1:-$root/build}")"

cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target kolvane_fit >/dev/null
fit="$build_dir/src/fit/kolvane_fit"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
for spec in "$root/examples/pyroshock.srs" "$root/bench/long_run.srs" "$root/bench/fit_plateau.srs"; do
    name="$(basename "$spec" .srs)"
    best=0
    status=0
    for run in 1 2 3; do
        start="${EPOCHREALTIME/./}"
        status=0
        "$fit" "$spec" "$work/$name" >"$work/$name.console" 2>"$work/$name.err" || status=$?
        micros=$((${EPOCHREALTIME/./} - start))
        if [ "$best" -eq 0 ] || [ "$micros" -lt "$best" ]; then best="$micros"; fi
    done
    attempts="$(grep -c '^ attempt' "$work/$name.console")"
    echo
    printf '%s.srs: attempts %d, exit status %d, best of three %d.%02d s\n' "$name" "$attempts" "$status" \
        $((best / 1000000)) $((best % 1000000 / 10000))
    cat "$work/$name.console"
    if [ "$status" -eq 1 ]; then cat "$work/$name.err"; fi
done
