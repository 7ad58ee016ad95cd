#include "wavelet/sine_cache.h"

#include "wavelet/pass_kernels.h"
#include "wavelet/wavelet_terms.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// First index in [0, n) where the predicate turns true, n if it never does;
// the predicate must be false on a prefix and true after it.
template <typename Predicate>
int firstTrue(int n, Predicate holds) {
    int low = 0;
    int high = n;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (holds(middle)) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

// With a finite non-negative time step every sample time is finite and they
// never decrease, so "delay <= t" turns true once and stays true, and
// "t - delay <= length" is true up to a point and false after it: the active
// samples are one run, and a bisection finds its ends exactly.
bool windowsAreExact(double timeStep, int sampleCount) {
    return timeStep >= 0.0 && std::isfinite(sampleTime(sampleCount > 0 ? sampleCount - 1 : 0, timeStep));
}

// The two bounds of waveletActive, each found on its own.
void findWindow(double delay, double length, double timeStep, int sampleCount, int& begin, int& end) {
    begin = firstTrue(sampleCount, [&](int i) { return delay <= sampleTime(i, timeStep); });
    end = firstTrue(sampleCount, [&](int i) { return !(sampleTime(i, timeStep) - delay <= length); });
    if (end < begin) end = begin;
}

AlignedDoubles allocateLines(std::size_t count) {
    const std::size_t lineBytes = lineSamples * sizeof(double);
    const std::size_t lines = count / lineSamples + 1;
    void* store = std::aligned_alloc(lineBytes, lines * lineBytes);
    if (store == nullptr) throw std::bad_alloc();
    return AlignedDoubles(static_cast<double*>(store));
}

}  // namespace

void FreeAligned::operator()(double* p) const { std::free(p); }

SineCache::SineCache(std::size_t budgetBytes)
    : capacity(budgetBytes / (2 * sizeof(double))),
      envelope(allocateLines(capacity)),
      carrier(allocateLines(capacity)) {}

bool sineCacheHoldsEveryWindow(std::size_t budgetBytes, int count, int sampleCount) {
    // Each window may be placed up to a line's worth of samples further on.
    const std::int64_t widest = static_cast<std::int64_t>(sampleCount) + lineSamples;
    const std::int64_t pairs = static_cast<std::int64_t>(count) * widest;
    return pairs <= static_cast<std::int64_t>(budgetBytes / (2 * sizeof(double)));
}

void prepareSineCache(SineCache& cache, const WaveletTable& table, int k, const FrequencyGrid& grid,
                      double timeStep, int sampleCount) {
    const int count = grid.count;
    const int nt = sampleCount > 0 ? sampleCount : 0;
    cache.count = count;
    cache.sampleCount = nt;
    cache.timeStep = timeStep;
    cache.exactWindows = windowsAreExact(timeStep, nt);

    std::int64_t used = 0;
    for (int j = 0; j < count; ++j) {
        const double frequency = grid.frequency[j];
        const std::int32_t nhs = table.nhs[k][j];
        const double delay = table.delay[k][j];
        const double length = windowLength(nhs, frequency);
        cache.offset[j] = -1;
        if (!cache.exactWindows) {
            cache.windowBegin[j] = 0;
            cache.windowEnd[j] = nt;
            continue;
        }
        findWindow(delay, length, timeStep, nt, cache.windowBegin[j], cache.windowEnd[j]);
        const int width = cache.windowEnd[j] - cache.windowBegin[j];
        const std::int64_t place = used + ((cache.windowBegin[j] - used) % lineSamples + lineSamples) % lineSamples;
        if (place + width > static_cast<std::int64_t>(cache.capacity)) continue;

        used = place;
        cache.offset[j] = used;
        const double omega = angularFrequency(frequency);
        const double halfSines = static_cast<double>(nhs);
        double* envelope = cache.envelope.get() + used;
        double* carrier = cache.carrier.get() + used;
        for (int i = cache.windowBegin[j]; i < cache.windowEnd[j]; ++i) {
            const double omegaTau = omega * (sampleTime(i, timeStep) - delay);
            *envelope++ = envelopeSine(omegaTau, halfSines);
            *carrier++ = carrierSine(omegaTau);
        }
        used += width;
    }
}

void synthesizeTrialCached(const SineCache& cache, WaveletTable& table, int k, const FrequencyGrid& grid,
                           double zpa, TimeHistory& history) {
    const int count = cache.count;
    const int nt = cache.sampleCount;
    const double dt = cache.timeStep;
    double* amplitude = table.amplitude[k];
    const double* delay = table.delay[k];
    double* sample = history.sample;

    // Every sample is 0.0 plus its active wavelets' values in ascending grid
    // order, as in the sum; adding wavelet by wavelet keeps that order. The
    // history is built a block at a time so that the block stays in the
    // nearest cache while every wavelet adds to it.
    constexpr int blockSamples = 2048;
    for (int blockBegin = 0; blockBegin < nt; blockBegin += blockSamples) {
        const int blockEnd = nt - blockBegin < blockSamples ? nt : blockBegin + blockSamples;
        for (int i = blockBegin; i < blockEnd; ++i) sample[i] = 0.0;
        for (int j = 0; j < count; ++j) {
            const int begin = cache.windowBegin[j] > blockBegin ? cache.windowBegin[j] : blockBegin;
            const int end = cache.windowEnd[j] < blockEnd ? cache.windowEnd[j] : blockEnd;
            if (begin >= end) continue;
            if (cache.offset[j] >= 0) {
                const std::int64_t at = cache.offset[j] + (begin - cache.windowBegin[j]);
                accumulateWavelet(sample + begin, cache.envelope.get() + at, cache.carrier.get() + at, amplitude[j],
                           end - begin);
                continue;
            }
            // Past the budget: the same sines, evaluated in the pass.
            const double frequency = grid.frequency[j];
            const double omega = angularFrequency(frequency);
            const double halfSines = static_cast<double>(table.nhs[k][j]);
            const double length = windowLength(table.nhs[k][j], frequency);
            for (int i = begin; i < end; ++i) {
                const double t = sampleTime(i, dt);
                if (cache.exactWindows || waveletActive(delay[j], length, t)) {
                    sample[i] += waveletValue(amplitude[j], halfSines, omega, t - delay[j]);
                }
            }
        }
    }

    // The peak is the earliest sample of the largest magnitude, as keeping a
    // sample only when its magnitude is strictly greater finds it. A history
    // with no non-zero sample has nothing to scale.
    double scale = 0.0;
    if (!scaleToPeak(sample, nt, zpa, scale)) return;
    for (int j = 0; j < count; ++j) amplitude[j] *= scale;
}

std::int64_t activeSampleCount(const WaveletTable& table, int k, const FrequencyGrid& grid, double timeStep,
                               int sampleCount) {
    const int nt = sampleCount > 0 ? sampleCount : 0;
    const bool exact = windowsAreExact(timeStep, nt);
    std::int64_t total = 0;
    for (int j = 0; j < grid.count; ++j) {
        const double delay = table.delay[k][j];
        const double length = windowLength(table.nhs[k][j], grid.frequency[j]);
        if (exact) {
            int begin = 0, end = 0;
            findWindow(delay, length, timeStep, nt, begin, end);
            total += end - begin;
            continue;
        }
        for (int i = 0; i < nt; ++i) {
            if (waveletActive(delay, length, sampleTime(i, timeStep))) ++total;
        }
    }
    return total;
}
