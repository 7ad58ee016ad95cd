#pragma once

#include "spec/spec_table.h"
#include "wavelet/sine_cache.h"
#include "wavelet/wavelet_table.h"

// The syntheses of one trial's passes. Only the amplitudes change from pass
// to pass, so the sines of row k are found once, when the trial starts, and
// every pass only adds them up; the plain build evaluates every sine in every
// pass instead. Either way the history and the scaled amplitudes are those of
// synthesizeTrial, bit for bit.

// Call once per trial, after its row is drawn and before its first synthesis.
void startTrialSynthesis(SineCache& cache, const WaveletTable& table, int k, const FrequencyGrid& grid,
                         double timeStep, int sampleCount);

// synthesizeTrial for the row the cache was started for.
void synthesizeTrialPass(const SineCache& cache, WaveletTable& table, int k, const FrequencyGrid& grid,
                         double timeStep, int sampleCount, double zpa, TimeHistory& history);
