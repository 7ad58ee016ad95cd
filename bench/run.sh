#!/usr/bin/env bash
# Kernel figures and whole-run wall times, each beside its plain counterpart.
#
#   bench/run.sh [fast build folder] [plain build folder]
#
# Builds the program as usual (default folder build) and a second time with
# the plain kernels (-DKOLVANE_PLAIN_KERNELS=ON, default folder build-plain),
# prints the kernel table, then times the bundled example and a long run of
# 8000 trials on a 10-point specification with the fast program on every
# core (best of three runs) and the plain program on one thread, checks that
# both write the same bytes, and prints each run's floor: the sines and filter
# steps the run could not avoid, timed on the run's own arguments and sizes
# (best of three), divided over the cores.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
fast_dir="$(realpath -m "${1:-$root/build}")"
plain_dir="$(realpath -m "${2:-$root/build-plain}")"
jobs="$(nproc)"

cmake -S "$root" -B "$fast_dir" -DCMAKE_BUILD_TYPE=Release -DKOLVANE_BENCH=ON >/dev/null
cmake --build "$fast_dir" -j"$jobs" --target kolvane_zpa kolvane_bench kolvane_run_floor >/dev/null
cmake -S "$root" -B "$plain_dir" -DCMAKE_BUILD_TYPE=Release -DKOLVANE_PLAIN_KERNELS=ON -DKOLVANE_BENCH=ON -DKOLVANE_REPORT=OFF >/dev/null
cmake --build "$plain_dir" -j"$jobs" --target kolvane_zpa_one_thread >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $jobs cores," \
     "$(grep -o -m1 -w 'avx512f' /proc/cpuinfo || echo 'no avx512f')"
echo
"$fast_dir/bench/kolvane_bench" --benchmark_out="$work/bench.json" --benchmark_out_format=json \
    --benchmark_filter='spectrum(Plain|Fast|Pair)|synthesis|sine|trial|sort|rank|skip' >"$work/bench.txt" 2>&1
grep -v '^\*\*\*WARNING' "$work/bench.txt"

# run NAME SPEC ANSWERS PROGRAM [TIMES] -> the shortest wall seconds, with
# that run's peak kilobytes, in NAME.time
run() {
    local name="$1" spec="$2" answers="$3" program="$4" times="${5:-1}"
    mkdir -p "$work/$name"
    cp "$spec" "$work/$name/"
    for ((i = 0; i < times; i++)); do
        (cd "$work/$name" && /usr/bin/time -f '%e %M' -o "../$name.time.$i" "$program" <"$answers" >console.txt)
    done
    sort -n "$work/$name".time.* | head -1 >"$work/$name.time"
}

for case in example long; do
    if [ "$case" = example ]; then
        spec="$root/examples/pyroshock.srs"; answers="$root/examples/pyroshock-unextended.answers"
    else
        spec="$root/bench/long_run.srs"; answers="$root/bench/long_run.answers"
    fi
    run "$case-fast" "$spec" "$answers" "$fast_dir/kolvane_zpa" 3
    run "$case-plain" "$spec" "$answers" "$plain_dir/bench/kolvane_zpa_one_thread"
    for file in "$work/$case-fast"/*.out "$work/$case-fast/console.txt"; do
        cmp -s "$file" "$work/$case-plain/$(basename "$file")" ||
            { echo "$case: $(basename "$file") differs between the fast and the plain program" >&2; exit 1; }
    done
    (cd "$work/$case-fast" && "$fast_dir/bench/kolvane_run_floor" trials.out <"$answers" >"$work/$case.floor")
done

python3 - "$work" "$jobs" <<'PY'
import json, sys
work, cores = sys.argv[1], int(sys.argv[2])
bench = {b["name"]: b for b in json.load(open(f"{work}/bench.json"))["benchmarks"]}

print()
print(f"{'kernel':44} {'fast':>12} {'plain':>12} {'ratio':>8}")
def row(label, fast, plain, unit, scale):
    print(f"{label:44} {fast * scale:10.3f}{unit} {plain * scale:10.3f}{unit} {plain / fast:7.1f}x")
for points in (10, 40, 200):
    row(f"spectrum, per filter step, {points} points", bench[f"spectrumFast/{points}"]["per_step"],
        bench[f"spectrumPlain/{points}"]["per_step"], "ns", 1e9)
row("spectrum, two histories at once, 10 points", bench["spectrumPair/10"]["per_step"],
    bench["spectrumPlain/10"]["per_step"], "ns", 1e9)
row("synthesis pass, per sample x wavelet", bench["synthesisCached"]["per_sample_wavelet"],
    bench["synthesisPlain"]["per_sample_wavelet"], "ns", 1e9)
row("ranking sort, 5 lists, n = 8000", bench["sortFast"]["real_time"], bench["sortPlain"]["real_time"], "ms", 1)
row("skip 1e6 draws", bench["skipByJumping"]["real_time"] * 1e-3, bench["skipByDrawing"]["real_time"], "us", 1)
print(f"{'one trial, example shape':44} {bench['trialExample']['real_time']:10.3f}ms")
print(f"{'rankTrials with its files, n = 8000':44} {bench['rankAll']['real_time']:10.3f}ms")
print(f"{'std::sin':44} {bench['sine']['per_sine'] * 1e9:10.3f}ns")

def per_step(points):
    # The fast spectrum's time per filter step at the benchmarked grid size
    # nearest to the run's.
    sizes = [int(name.split("/")[1]) for name in bench if name.startswith("spectrumFast/")]
    nearest = min(sizes, key=lambda s: abs(s - points))
    return bench[f"spectrumFast/{nearest}"]["per_step"]

print()
print("floor: the run's sines and filter steps timed on all cores at once (slowest core);")
print("kernel floor: the same counts at the benchmarked std::sin and spectrum speeds, divided by the cores.")
print(f"{'run':24} {'fast':>7} {'plain 1t':>9} {'ratio':>6} {'floor':>7} {'fast/floor':>10} "
      f"{'kernel floor':>12} {'fast/kernel':>11} {'peak MiB':>8}")
for case, label in (("example", "example (300 trials)"), ("long", "long run (8000 trials)")):
    fast_s, fast_kb = open(f"{work}/{case}-fast.time").read().split()
    plain_s, _ = open(f"{work}/{case}-plain.time").read().split()
    fields = open(f"{work}/{case}.floor").read().split()
    points, pairs, steps, trials, floor_cores = map(int, fields[:5])
    sine_s, spectrum_s = map(float, fields[5:])
    floor = sine_s + spectrum_s
    kernel_floor = (pairs * 2 * bench["sine"]["per_sine"] + steps * per_step(points)) / cores
    fast_s, plain_s = float(fast_s), float(plain_s)
    print(f"{label:24} {fast_s:6.2f}s {plain_s:8.2f}s {plain_s / fast_s:5.1f}x {floor:6.2f}s {fast_s / floor:9.2f}x "
          f"{kernel_floor:11.2f}s {fast_s / kernel_floor:10.2f}x {int(fast_kb) / 1024:8.0f}")
    print(f"{'':24} {pairs} sine pairs, {steps} filter steps on {points} points; per core "
          f"{sine_s:.2f}s of sines, {spectrum_s:.2f}s of spectra on {floor_cores} cores")
print()
print("Output of the fast and the plain program: byte-identical for both runs.")
PY
