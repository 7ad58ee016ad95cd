#!/usr/bin/env python3
"""kolvane.srs from Python on a million samples at 1 MHz, 121 frequencies at
1/12 octave from 100 Hz to 102.4 kHz, Q = 10: the first call (which plans
the transforms) and the median of five more, wall time. The array is passed
as it is (C-contiguous float64: no copy).

    PYTHONPATH=build/python python3 bench/srs_python.py
"""
import os
import statistics
import time

import numpy as np

import kolvane

rng = np.random.default_rng(1)
samples = 1_000_000
t = np.arange(samples) * 1e-6
history = rng.normal(size=samples) * np.exp(-20.0 * t)
frequencies = 100.0 * 2.0 ** (np.arange(121) / 12.0)

start = time.perf_counter()
kolvane.srs(history, 1e6, frequencies, q=10)
first = time.perf_counter() - start
times = []
for _ in range(5):
    start = time.perf_counter()
    positive, negative = kolvane.srs(history, 1e6, frequencies, q=10)
    times.append(time.perf_counter() - start)
print(f"kolvane.srs, {samples} samples at 1 MHz, {len(frequencies)} frequencies, {os.cpu_count()} cores: "
      f"first call {first:.3f} s, then median {statistics.median(times):.3f} s (best {min(times):.3f} s)")
