#!/usr/bin/env python3
"""Writes the hand-made run in example/ that the browser test renders.

A three-point specification (100 Hz 30 G, 1000 Hz 1000 G, 10000 Hz 1000 G), an
SRS on a 1/6-octave grid that follows it with a gentle ripple and one negative
dip below the -3 dB edge, and a 0.1 s acceleration history built from a dozen
half-sine-enveloped wavelets at 20000 samples per second (so the time columns
use eight decimals), integrated by running sums into in/sec and in.
"""
import math
import os

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "example")


def e3(value):
    """%12.5e with a three-digit exponent."""
    text = "%.5e" % value
    mantissa, exponent = text.split("e")
    return "%12s" % ("%se%s%03d" % (mantissa, exponent[0], int(exponent[1:])))


spec = [(100.0, 30.0), (1000.0, 1000.0), (10000.0, 1000.0)]


def level(f):
    for (f0, l0), (f1, l1) in zip(spec, spec[1:]):
        if f <= f1:
            slope = math.log(l1 / l0) / math.log(f1 / f0)
            return l0 * (f / f0) ** slope
    return spec[-1][1]


with open(os.path.join(here, "example.srs"), "w") as out:
    for f, l in spec:
        out.write("%5.0f %6.0f\n" % (f, l))

grid = [100.0]
while grid[-1] * 2 ** (1 / 6) <= 10000.0:
    grid.append(grid[-1] * 2 ** (1 / 6))
with open(os.path.join(here, "srs.out"), "w") as out:
    for j, f in enumerate(grid):
        pos = level(f) * 10 ** ((1.2 + 1.5 * math.sin(0.7 * j)) / 20)
        neg = level(f) * 10 ** ((0.4 + 1.8 * math.cos(0.5 * j)) / 20)
        if j == 17:
            neg = level(f) * 10 ** (-3.6 / 20)
        out.write("%12.3f \t %s \t %s\n" % (f, e3(pos), e3(neg)))

rate, duration = 20000.0, 0.1
dt = 1.0 / rate
nt = int(duration / dt)
wavelets = []
for j, f in enumerate(grid[::4]):
    nhs = 2 * (j % 4) + 3
    delay = 0.002 * j
    amp = level(f) * (0.05 if j % 2 else -0.05)
    wavelets.append((f, amp, nhs, delay))
accel = []
for i in range(nt):
    t = i * dt
    a = 0.0
    for f, amp, nhs, delay in wavelets:
        if delay <= t <= delay + nhs / (2 * f):
            a += amp * math.sin(2 * math.pi * f / nhs * (t - delay)) * math.sin(2 * math.pi * f * (t - delay))
    accel.append(a)
scale = 250.0 / max(abs(a) for a in accel)
accel = [a * scale for a in accel]

with open(os.path.join(here, "accel.out"), "w") as out:
    for i, a in enumerate(accel):
        out.write("%12.8f \t %12.4f \n" % (i * dt, a))
velocity, s = [], 0.0
for i in range(nt + 1):
    a = accel[i] if i < nt else 0.0
    s += dt * a / 2 if i in (0, nt) else dt * a
    velocity.append(s)
with open(os.path.join(here, "velox.out"), "w") as vout, open(os.path.join(here, "disp.out"), "w") as dout:
    d = 0.0
    for i in range(nt + 1):
        vout.write("%12.8f %12.4f \n" % (i * dt, velocity[i] * 386))
        d += dt * velocity[i] / 2 if i in (0, nt) else dt * velocity[i]
        dout.write("%12.8f %12.4f \n" % (i * dt, d * 386))

with open(os.path.join(here, "trials.out"), "w") as out:
    out.write("\n           Peak        Peak         Peak         ")
    out.write("\n Trial     Accel       Vel          Disp      T.Error      I.Error")
    out.write("\n           (G)         (in/sec)     (in)       \n")
    for t in range(3):
        out.write(" %d %12.3f %12.3f %12.3f %12.3f %12.3f %d  %d\n" % (t, 250.0, 40.0 + t, 0.5, 3.0 - t, 0.4, 1, 44))
with open(os.path.join(here, "rank.out"), "w") as out:
    for t, score in enumerate((9, 4, 4)):
        out.write("i=%d \t n=%d \t a=0 \t v=%d \t d=0 \t e=%d \t ie=0\n" % (t, score, t, 2 - t))
with open(os.path.join(here, "wavelet.out"), "w") as out:
    out.write("\n No.\t Freq(Hz) \t   Amp(G) \t NHS  \t  Delay(sec) \n")
    for j, f in enumerate(grid):
        out.write("%d \t %12.3f \t %12.3f \t %d \t %12.5f \n" % (j, f, level(f) * 0.05, 3 + 2 * (j % 4), 0.001 * j))
