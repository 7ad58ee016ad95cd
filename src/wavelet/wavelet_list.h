#pragma once

#include <vector>

#include "model/exact_wavelet.h"

// A history given by its wavelets alone: what a refined history is, and what
// rebuilds any history from its run.out.

using Wavelet = ExactWavelet;

// The wavelets' sum at t = i timeStep, i = 0 .. sampleCount-1, exactly as the
// program's waveletSum forms it: each active wavelet's (A envelope) carrier,
// added in wavelet order.
std::vector<double> synthesizeWavelets(const std::vector<Wavelet>& wavelets, double timeStep, int sampleCount);

// The samples one wavelet is active at, and its value there at unit
// amplitude (envelope times carrier).
struct WaveletShape {
    int first = 0;
    std::vector<double> values;
};
WaveletShape waveletShape(const Wavelet& wavelet, double timeStep, int sampleCount);

// Whether the wavelet ends within `duration` seconds: its delay and its
// nhs / (2 f) seconds.
bool waveletEndsWithin(const Wavelet& wavelet, double duration);
