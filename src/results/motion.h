#pragma once

#include "model/constants.h"
#include "model/units.h"

// Integrated velocity v[0 .. nt], in acceleration unit x seconds, unconverted.
struct VelocityHistory {
    double value[sampleCapacity];
};

struct PeakMeasures {
    double peakAccel = 0.0;  // largest |a[i]|, i < nt, never converted
    double peakVel = 0.0;    // largest |v[i]|, i <= nt, times the velocity factor
    double peakDisp = 0.0;   // largest |d[i]|, i <= nt, times the displacement factor
};

double velocityFactor(UnitSystem units);
double displacementFactor(UnitSystem units);

// Running sum over the nt + 1 points 0 .. nt with a[nt] = 0, the first and
// last point at half weight: v[0] = dt a[0] / 2, v[i] = v[i-1] + dt a[i].
// Does not read a[nt]. Returns the largest |v[i]|.
double integrateVelocity(const double* acceleration, int sampleCount, double timeStep,
                         double* velocity);

// The same weights applied to v[0 .. nt]; writes d[0 .. nt] when
// `displacement` is not null. Returns the largest |d[i]|.
double integrateDisplacement(const double* velocity, int sampleCount, double timeStep,
                             double* displacement);

PeakMeasures measureMotion(const double* acceleration, int sampleCount, double timeStep,
                           UnitSystem units, VelocityHistory& velocity);
