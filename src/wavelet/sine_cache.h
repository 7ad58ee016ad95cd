#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "model/constants.h"
#include "spec/spec_table.h"
#include "wavelet/wavelet_table.h"

// Within one trial only the amplitudes change from pass to pass, so the two
// sines of every active wavelet sample are the same in every synthesis. The
// cache keeps them for the trial being worked on: for wavelet j, over the
// samples of its window, the envelope sine sin(((2 pi f) tau) / N) and the
// carrier sine sin((2 pi f) tau), computed with exactly the arguments of the
// wavelet sum. Its store is allocated once, with a fixed budget; wavelets
// whose windows no longer fit have their sines computed in each pass instead.
constexpr std::size_t sineCacheBudgetBytes = std::size_t{64} << 20;

// Samples per cache line: the history, and each wavelet's sines in the cache,
// are laid out in whole lines.
constexpr int lineSamples = 8;

struct FreeAligned {
    void operator()(double* p) const;
};
using AlignedDoubles = std::unique_ptr<double[], FreeAligned>;

struct SineCache {
    explicit SineCache(std::size_t budgetBytes = sineCacheBudgetBytes);

    std::size_t capacity;  // sample pairs the store holds
    // Both stores start on a cache line. Wavelet j's sines are placed so that
    // the sine of sample i sits at the same offset within its cache line as
    // sample i of the history, so one pass reads all three streams in whole,
    // aligned vectors.
    AlignedDoubles envelope;
    AlignedDoubles carrier;

    // The trial the windows and sines below belong to.
    int count = 0;
    int sampleCount = 0;
    double timeStep = 0.0;
    // False when the time step is not a finite non-negative number: the
    // windows then cover every sample and each sample is tested as in the sum.
    bool exactWindows = true;
    // Wavelet j is active at samples windowBegin[j] .. windowEnd[j]-1.
    int windowBegin[maxGridPoints] = {};
    int windowEnd[maxGridPoints] = {};
    // Where wavelet j's sines start in the store, or -1 when they did not fit.
    std::int64_t offset[maxGridPoints] = {};
};

// Whether a cache of `budgetBytes` keeps the sines of `count` wavelets even
// when every window spans all `sampleCount` samples.
bool sineCacheHoldsEveryWindow(std::size_t budgetBytes, int count, int sampleCount);

// Finds every wavelet window of row k and fills the store, in ascending grid
// order, until the budget runs out. Call once per trial, before its first
// synthesis; the row's delays and half-sine counts must not change after it.
void prepareSineCache(SineCache& cache, const WaveletTable& table, int k, const FrequencyGrid& grid,
                      double timeStep, int sampleCount);

// synthesizeTrial from the cache: the same samples, peak, scale and scaled
// amplitudes, bit for bit, for the row and trial the cache was prepared for.
void synthesizeTrialCached(const SineCache& cache, WaveletTable& table, int k, const FrequencyGrid& grid,
                           double zpa, TimeHistory& history);

// Sample pairs (envelope and carrier sine) the active windows of row k hold.
std::int64_t activeSampleCount(const WaveletTable& table, int k, const FrequencyGrid& grid, double timeStep,
                               int sampleCount);
