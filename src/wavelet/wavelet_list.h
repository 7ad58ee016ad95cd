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

// Each wavelet's envelope and carrier sines over the samples it is active
// at. Wavelets that differ only in amplitude are then summed without a sine,
// to the same bits as synthesizeWavelets.
struct WaveletSines {
    int first = 0;  // the first sample it is active at; the active samples follow without a gap
    std::vector<double> envelope;
    std::vector<double> carrier;
};
std::vector<WaveletSines> waveletSines(const std::vector<Wavelet>& wavelets, double timeStep, int sampleCount);

// The sum of `wavelets`, whose frequencies, delays and half-sine counts are
// those `sines` was made from.
std::vector<double> synthesizeWavelets(const std::vector<Wavelet>& wavelets, const std::vector<WaveletSines>& sines,
                                       int sampleCount);

// The samples one wavelet is active at, and its value there at unit
// amplitude (envelope times carrier), from its sines.
struct WaveletShape {
    int first = 0;
    std::vector<double> values;
};
std::vector<WaveletShape> waveletShapes(const std::vector<WaveletSines>& sines);

// Whether the wavelet ends within `duration` seconds: its delay and its
// nhs / (2 f) seconds.
bool waveletEndsWithin(const Wavelet& wavelet, double duration);
