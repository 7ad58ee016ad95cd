#pragma once

#include "model/constants.h"
#include "spec/spec_table.h"
#include "srs/response_spectrum.h"
#include "wavelet/wavelet_table.h"

// Sum of row k's wavelets at time t, unscaled. Wavelet j is active for
// delay <= t and t - delay <= nhs / (2 f); it contributes
//   A * sin(((2 pi f) tau) / N) * sin((2 pi f) tau),   tau = t - delay.
double waveletSum(const WaveletTable& table, int k, const FrequencyGrid& grid, double t);

// Samples row k into history[0 .. sampleCount-1] at t = i * timeStep, then
// scales the samples and the row's amplitudes so the largest-magnitude sample
// becomes +zpa. An all-zero history is left unscaled.
void synthesizeTrial(WaveletTable& table, int k, const FrequencyGrid& grid, double timeStep,
                     int sampleCount, double zpa, TimeHistory& history);

// A_j <- A_j * (S_j / R_j)^0.65 with R_j the negative-peak magnitude; an
// amplitude whose R_j is zero stays as it is.
void correctAmplitudes(WaveletTable& table, int k, const FrequencyGrid& grid,
                       const ResponseSpectrum& spectrum);
