#pragma once

#include <cstddef>
#include <vector>

#include "wavelet/wavelet_list.h"

// How each oscillator's peak responds to the wavelets' amplitudes. With the
// time of a peak held fixed, the response there is linear in the signed
// amplitudes: y_i(t*) = sum_j A_j g_ij, g_ij the response of oscillator i at
// t* to wavelet j at unit amplitude. Each oscillator is the ramp-invariant
// filter at the history's own rate, followed after the record until its
// first peaks of either sign have passed.

struct PeakRow {
    double value = 0.0;         // the peak, a magnitude, in the model
    std::vector<double> gains;  // its change per unit of each wavelet's amplitude
};

struct PeakModel {
    std::vector<PeakRow> positive;  // per frequency
    std::vector<PeakRow> negative;
};

// `shapes` are the wavelets' unit shapes at the history's time step, and
// `history` the sum they make with the present amplitudes.
PeakModel modelPeaks(const std::vector<WaveletShape>& shapes, const std::vector<double>& history, double timeStep,
                     const std::vector<double>& frequencies, double dampingRatio);
