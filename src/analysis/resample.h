#pragma once

#include <vector>

// Band-limited resampling of a record to another sample rate: the record's
// transform, with everything at and above the lower of the two Nyquist
// frequencies removed (tapered off over the fifth of the band below it when
// the new rate is the lower), upsampled through the FFT to 16 times the record's
// rate and read at each new sample time by 4-point Lagrange interpolation
// (at 32 or more samples a cycle of the fastest content left, within a few
// parts in a million). The record is taken to be zero before its first
// sample and after its last; the result covers the same span, every
// sample at its index times the new step.
std::vector<double> resampleBandLimited(const std::vector<double>& samples, double timeStep, double newTimeStep);
