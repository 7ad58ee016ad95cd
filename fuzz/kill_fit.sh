#!/usr/bin/env bash
# Kills kolvane_fit at each of its renames in turn (every file the fit, the
# program and the report write becomes visible by a rename) while it writes
# into the folder of an earlier fit, and judges what each kill leaves: the
# report must refuse the folder, or accept it as one whole run, the earlier
# one or the new one, never a mixture. Needs strace. Not part of CI: it runs
# one fit per rename, about a minute in all.
#
#   fuzz/kill_fit.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$(realpath -m "${1:-$root/build}")"
fit="$build_dir/kolvane_fit"
report="$build_dir/kolvane_report"
command -v strace >/dev/null || { echo "kill_fit.sh needs strace (apt-get install strace)"; exit 2; }
[ -x "$fit" ] && [ -x "$report" ] || { echo "build kolvane_fit and kolvane_report in $build_dir first"; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
spec="$root/examples/pyroshock.srs"
options=(--trials 40)
run_files=(trials.out rank_d.out rank.out wavelet.out run.out accel.out velox.out disp.out srs.out answers.txt)

# The earlier fit, which the killed one overwrites, and the new fit whole.
"$fit" "$spec" "$work/earlier" "${options[@]}" --zpa 2000 >/dev/null || true
"$fit" "$spec" "$work/whole" "${options[@]}" >/dev/null || true
renames=$(strace -f -c -e trace=rename "$fit" "$spec" "$work/count" "${options[@]}" 2>&1 >/dev/null |
          awk '$NF == "rename" { print $4 }')
echo "kolvane_fit renames $renames files; killing it at each"

same_as() {
    for name in "${run_files[@]}"; do cmp -s "$work/out/$name" "$1/$name" || return 1; done
}

refused=0
whole=0
mixtures=0
for n in $(seq 1 "$renames"); do
    rm -rf "$work/out"
    cp -a "$work/earlier" "$work/out"
    # In a subshell whose own messages go nowhere: strace ends by the same
    # signal as the fit, which the shell would report.
    (strace -f -o /dev/null -e trace=rename -e inject=rename:signal=KILL:when="$n" \
        "$fit" "$spec" "$work/out" "${options[@]}" >/dev/null 2>&1 || true) 2>/dev/null
    status=0
    "$report" "$spec" "$work/out" >/dev/null 2>&1 || status=$?
    if [ "$status" -eq 1 ]; then
        refused=$((refused + 1))
    elif same_as "$work/earlier" || same_as "$work/whole"; then
        whole=$((whole + 1))
    else
        echo "killed at rename $n: the report accepts a folder mixed from two runs"
        mixtures=$((mixtures + 1))
    fi
done
echo "kills: $renames; refused: $refused; accepted whole: $whole; accepted mixed: $mixtures"
[ "$mixtures" -eq 0 ]
