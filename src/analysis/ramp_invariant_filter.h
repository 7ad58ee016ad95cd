#pragma once

#include <cstddef>
#include <vector>

// Coefficients of the ramp-invariant filter for natural frequency fn, damping
// ratio zeta and sample interval T (Smallwood's recursive formula, as ISO
// 18431-4 gives it): the absolute acceleration of a base-excited oscillator,
// the input taken as linear between samples,
//   wn = 2 pi fn, wd = wn sqrt(1 - zeta^2), E = exp(-zeta wn T), B = wd T,
//   C = E cos B, S = E sin B,
//   b0 = 1 - S/B, b1 = 2 (S/B - C), b2 = E^2 - S/B, a1 = 2 C, a2 = E^2,
//   y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] - a2 y[n-2].
// With the input at zero the response swings freely: per sample it turns by
// B radians and decays by E = exp(-decay).
struct RampInvariantFilter {
    double b0, b1, b2, a1, a2;
    double turn;   // B
    double decay;  // zeta wn T
};

RampInvariantFilter rampInvariantFilter(double fn, double zeta, double interval);

// The filter's output from rest for x[0 .. n-1] followed by `tail` samples of
// zero input: n + tail outputs. The terms that do not depend on y[n-1] are
// summed first, as every sweep of this filter sums them.
std::vector<double> rampInvariantResponse(const RampInvariantFilter& filter, const double* x, std::size_t n,
                                          std::size_t tail);
