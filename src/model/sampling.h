#pragma once

#include "model/constants.h"

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

// How the trials sample their histories: the time step, the sample count of
// the duration at that step, and the filter bank computed for that step. The
// run starts at 12 times its last specification frequency; the first results
// step hands over its output rate, which the trials after it take.
struct RunSampling {
    double timeStep = 0.0;
    int sampleCount = 0;
    SrsFilterBank bank;
};

// The run's first time step: 12 samples a cycle of the last specification
// frequency.
inline double runTimeStep(double lastSpecFrequency) { return 1.0 / (12.0 * lastSpecFrequency); }

// The durations a run takes: at least 1.5 periods of the first grid frequency
// (the first specification frequency), and fewer than maxRunSamples samples.
inline double shortestRunDuration(double firstGridFrequency) { return 1.5 / firstGridFrequency; }
inline double longestRunDuration(double timeStep) { return (maxRunSamples - 1) * timeStep; }
