#pragma once

#include <cstdint>

#include "model/constants.h"

// Wavelet parameters of every trial of the run, one row per trial and one
// wavelet per grid point. Rows stay for the whole run so the optimum can be
// rebuilt.
struct WaveletTable {
    double amplitude[maxTrials][maxGridPoints];
    std::int32_t nhs[maxTrials][maxGridPoints];  // odd half-sine count
    double delay[maxTrials][maxGridPoints];      // start time, seconds
};

// Acceleration samples of the history last synthesised. Sized for the longest
// record a results step can produce. The store starts on a cache line.
struct TimeHistory {
    alignas(64) double sample[sampleCapacity];
};
