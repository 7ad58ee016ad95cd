#!/usr/bin/env bash
# Whole fits, from a specification to a passing history: kolvane_fit with its
# defaults (100 trials per attempt, two attempts at a time on the cores), each the best of three wall
# times, with the attempts and the closing lines of the last run. First three
# specifications without a shaker, then with a shaker file: the fit must also
# find a history the shaker can play, or say what would have to change.
#
#   bench/fit.sh [build folder]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$(realpath -m "${1:-$root/build}")"

cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target kolvane_fit >/dev/null
fit="$build_dir/kolvane_fit"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"

# fit NAME SPEC [OPTIONS...]
fit() {
    local name="$1" spec="$2"
    shift 2
    local best=0 status=0 micros start
    for run in 1 2 3; do
        start="${EPOCHREALTIME/./}"
        status=0
        "$fit" "$spec" "$work/$name" "$@" >"$work/$name.console" 2>"$work/$name.err" || status=$?
        micros=$((${EPOCHREALTIME/./} - start))
        if [ "$best" -eq 0 ] || [ "$micros" -lt "$best" ]; then best="$micros"; fi
    done
    echo
    printf '%s: %s %s\n' "$name" "$(basename "$spec")" "$*"
    printf '  attempts %d, exit status %d, best of three %d.%02d s\n' "$(grep -c '^ attempt' "$work/$name.console")" \
        "$status" $((best / 1000000)) $((best % 1000000 / 10000))
    sed 's/^/  /' "$work/$name.console"
    if [ "$status" -eq 1 ]; then cat "$work/$name.err"; fi
}

fit pyroshock "$root/examples/pyroshock.srs"
fit long_run "$root/bench/long_run.srs"
fit plateau "$root/bench/fit_plateau.srs"

fit shaker_plateau "$root/examples/plateau-75g.srs" --units 2 --shaker "$root/examples/shaker-25mm.txt"
fit shaker_low_long "$root/examples/low-frequency.srs" --units 2 --shaker "$root/examples/shaker-76mm.txt"
fit shaker_low_short "$root/examples/low-frequency.srs" --units 2 --shaker "$root/examples/shaker-25mm.txt"
fit shaker_pyroshock "$root/examples/pyroshock.srs" --shaker "$root/examples/shaker-25mm.txt"
