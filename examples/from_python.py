#!/usr/bin/env python3
"""The bundled plateau example from Python: a synthesis, the lab's check, a
fit on the long-stroke shaker, the history for the controller, and the SRS
of the exported file as a measured record would be judged.

    PYTHONPATH=build/python python3 examples/from_python.py out/python
"""
import os
import sys

import numpy as np

import kolvane

here = os.path.dirname(os.path.abspath(__file__))
out = sys.argv[1] if len(sys.argv) > 1 else "out/python"
spec = os.path.join(here, "plateau-75g.srs")
shaker = os.path.join(here, "shaker-76mm.txt")

# One run of the program, in memory, then written as kolvane_zpa writes it.
run = kolvane.synthesize(spec, zpa=25, spacing=12, duration=0.8, trials=100, units=2)
print(run, "optimum", run.optimum, "peak", np.abs(run.acceleration).max(), run.units[0])
run.write(os.path.join(out, "run"))

# The check a lab makes of it, against the shaker.
check = kolvane.check(spec, run, shaker=shaker)
print("plain run:", check.verdict_words, "worst", check.worst)
for line in check.advice:
    print("  to do:", line)

# The fit: the lowest peak that meets the specification and fits the shaker.
fit = kolvane.fit(spec, os.path.join(out, "fit"), shaker=shaker, units=2, export=["csv"], rate=51200)
print("fit:", fit["verdict"], fit["run"])

# The exported history's SRS, as kolvane_report --measured would take it.
table = np.loadtxt(os.path.join(out, "fit", "history.csv"), delimiter=",", skiprows=1)
frequencies = 10.0 * 2.0 ** (np.arange(0, 7.7, 1.0 / 6.0))
positive, negative = kolvane.srs(table[:, 1], 51200.0, frequencies, q=10)
levels = np.interp(np.log(frequencies), np.log([10, 63, 2000]), np.log([12, 75, 75]))
print("exported SRS from the specification, dB:",
      np.round(20 * np.log10(np.maximum(positive, negative)) - 20 * levels / np.log(10), 2))
