#pragma once

#include <cmath>
#include <cstdint>

#include "model/constants.h"

// The terms of the wavelet sum, formed here alone: the sine cache's values
// must equal those the sum recomputes bit for bit, so every synthesis builds
// its sample times, windows and sines from these.

inline double angularFrequency(double frequency) { return twoPi * frequency; }

// The wavelet's length in seconds, nhs / (2 f).
inline double windowLength(std::int32_t halfSines, double frequency) {
    return static_cast<double>(halfSines) / (2.0 * frequency);
}

// Sample i's time: the index times the time step, never a running sum.
inline double sampleTime(int i, double timeStep) { return static_cast<double>(i) * timeStep; }

// Active from its delay to the end of its window, both bounds included.
inline bool waveletActive(double delay, double length, double t) { return delay <= t && t - delay <= length; }

// The envelope and carrier sines at omega * tau.
inline double envelopeSine(double omegaTau, double halfSines) { return std::sin(omegaTau / halfSines); }
inline double carrierSine(double omegaTau) { return std::sin(omegaTau); }

// One wavelet's contribution from its sines, (A * envelope) * carrier.
inline double waveletTerm(double amplitude, double envelope, double carrier) { return (amplitude * envelope) * carrier; }

// One wavelet's contribution at local time tau.
inline double waveletValue(double amplitude, double halfSines, double omega, double tau) {
    const double omegaTau = omega * tau;
    return waveletTerm(amplitude, envelopeSine(omegaTau, halfSines), carrierSine(omegaTau));
}
