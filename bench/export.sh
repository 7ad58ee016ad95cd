#!/usr/bin/env bash
# kolvane_export on the longest record a run writes (149880 samples: 10 Hz to
# 1 kHz at 12000 per second for 12.49 s), as the run's own rate and resampled
# to 25600 and 102400 per second, each the best of three wall times.
#
#   bench/export.sh [build folder]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$(realpath -m "${1:-$root/build}")"
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target kolvane_zpa kolvane_export >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf '10 1\n100 10\n1000 10\n' >"$work/long.srs"
(cd "$work" && setsid -w "$build_dir/kolvane_zpa" >/dev/null <<<"long.srs 3 2 2 10 12.49 3 2 1")
echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "Record: $(wc -l <"$work/accel.out") samples at 12000 per second"

for rate in "" 25600 102400; do
    best=0
    for run in 1 2 3; do
        start="${EPOCHREALTIME/./}"
        "$build_dir/kolvane_export" "$work" ${rate:+--rate "$rate"} >"$work/said" 2>&1 || true
        micros=$((${EPOCHREALTIME/./} - start))
        if [ "$best" -eq 0 ] || [ "$micros" -lt "$best" ]; then best="$micros"; fi
    done
    label="at the run's own rate"
    [ -n "$rate" ] && label="resampled to $rate per second"
    printf '%-34s best of three %d.%03d s\n' "$label" $((best / 1000000)) $((best % 1000000 / 1000))
    sed 's/^/    /' "$work/said"
done
