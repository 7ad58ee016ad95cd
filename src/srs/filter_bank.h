#pragma once

#include "run/constants.h"
#include "spec/spec_table.h"

// Impulse-invariant coefficients of the base-excited single-degree-of-freedom
// oscillator, one set per grid point, for one damping ratio and time step:
//   y[i] = a1*y[i-1] + a2*y[i-2] + b0*x[i] + b1*x[i-1]
// with x the base acceleration and y the absolute response acceleration.
struct SrsFilterBank {
    double a1[maxGridPoints] = {};
    double a2[maxGridPoints] = {};
    double b0[maxGridPoints] = {};
    double b1[maxGridPoints] = {};
};

SrsFilterBank computeFilterBank(const FrequencyGrid& grid, double dampingRatio, double timeStep);
