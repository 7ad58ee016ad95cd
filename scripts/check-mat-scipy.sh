#!/usr/bin/env bash
# Loads a kolvane_export history.mat with SciPy, as Python tools do.
#   scripts/check-mat-scipy.sh KOLVANE_ZPA KOLVANE_EXPORT SOURCE_DIR WORK_DIR
# Exits 77 (skipped) when no Python with SciPy is there; with CI=true that is
# a failure.
set -euo pipefail
program=$1
export_command=$2
source_dir=$3
work=$4

python=""
for candidate in /usr/bin/python3 python3; do
    if "$candidate" -c "import scipy.io" 2>/dev/null; then python=$candidate; break; fi
done
if [ -z "$python" ]; then
    if [ "${CI:-}" = true ]; then echo "no Python with SciPy (apt-get install python3-scipy)" >&2; exit 1; fi
    echo "SKIPPED: no Python with SciPy"
    exit 77
fi

rm -rf "$work" && mkdir -p "$work"
cp "$source_dir/examples/pyroshock-extended.srs" "$work/"
(cd "$work" && setsid -w "$program" >console.txt <<<"pyroshock-extended.srs 320 2 2 10 0.05 10 3 1")
"$export_command" "$work" --format mat --rate 102400 >/dev/null

"$python" - "$work/history.mat" <<'PY'
import sys
import scipy.io

m = scipy.io.loadmat(sys.argv[1])
t, a, v, d = (m[k] for k in ("t", "acceleration", "velocity", "displacement"))
assert t.shape == a.shape == v.shape == d.shape and t.shape[0] == 1, "rows of one length"
dt = float(m["dt"][0, 0])
rate = float(m["sample_rate"][0, 0])
assert rate == 102400.0 and dt == 1.0 / 102400.0, (rate, dt)
steps = t[0, 1:] - t[0, :-1]
assert abs(steps - dt).max() <= 1e-12 * dt, "even steps"
assert str(m["units"][0]) == "t: s, acceleration: m/sec^2, velocity: m/sec, displacement: mm", m["units"]
print("SciPy reads history.mat: %d samples at %g per second" % (t.shape[1], rate))
PY
