#include "wavelet/trial_synthesis.h"

#include "common/cpu_features.h"
#include "wavelet/synthesis.h"

void startTrialSynthesis(SineCache& cache, const WaveletTable& table, int k, const FrequencyGrid& grid,
                         double timeStep, int sampleCount) {
    if (plainKernelsOnly) return;
    prepareSineCache(cache, table, k, grid, timeStep, sampleCount);
}

void synthesizeTrialPass(const SineCache& cache, WaveletTable& table, int k, const FrequencyGrid& grid,
                         double timeStep, int sampleCount, double zpa, TimeHistory& history) {
    if (plainKernelsOnly) {
        synthesizeTrial(table, k, grid, timeStep, sampleCount, zpa, history);
        return;
    }
    synthesizeTrialCached(cache, table, k, grid, zpa, history);
}
