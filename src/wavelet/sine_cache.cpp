#include "wavelet/sine_cache.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The per-wavelet values exactly as the wavelet sum forms them.
inline double angularFrequency(double frequency) { return twoPi * frequency; }

inline double windowLength(std::int32_t halfSines, double frequency) {
    return static_cast<double>(halfSines) / (2.0 * frequency);
}

inline double sampleTime(int i, double timeStep) { return static_cast<double>(i) * timeStep; }

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

void findWindow(double delay, double length, double timeStep, int sampleCount, int& begin, int& end) {
    begin = firstTrue(sampleCount, [&](int i) { return delay <= sampleTime(i, timeStep); });
    end = firstTrue(sampleCount, [&](int i) { return !(sampleTime(i, timeStep) - delay <= length); });
    if (end < begin) end = begin;
}

// The largest magnitude among the samples that are numbers, 0 if none is
// above zero: a lane-wise "a > m ? a : m", which never picks a NaN. The
// result does not depend on the order the samples are visited in, since all
// magnitudes are non-negative.
typedef double Vec2 __attribute__((vector_size(16)));
typedef double Vec4 __attribute__((vector_size(32)));
typedef double Vec8 __attribute__((vector_size(64)));
typedef long long Bits8 __attribute__((vector_size(64)));

// sample[i] += (amplitude * envelope[i]) * carrier[i]: lane by lane the same
// operations at any vector width. The three streams share their offset within
// a cache line, so after the samples up to the history's next line boundary
// every vector of all three lies within one line.
template <typename Vec>
[[gnu::always_inline]] inline void accumulateLines(double* sample, const double* envelope, const double* carrier,
                                                   double amplitude, int n) {
    constexpr int lanes = sizeof(Vec) / sizeof(double);
    int i = 0;
    for (; i < n && reinterpret_cast<std::uintptr_t>(sample + i) % sizeof(Vec) != 0; ++i) {
        sample[i] += (amplitude * envelope[i]) * carrier[i];
    }
    Vec a;
    for (int l = 0; l < lanes; ++l) a[l] = amplitude;
    for (; i + lanes <= n; i += lanes) {
        Vec e, c, x;
        std::memcpy(&e, envelope + i, sizeof e);
        std::memcpy(&c, carrier + i, sizeof c);
        std::memcpy(&x, sample + i, sizeof x);
        x += (a * e) * c;
        std::memcpy(sample + i, &x, sizeof x);
    }
    for (; i < n; ++i) sample[i] += (amplitude * envelope[i]) * carrier[i];
}


[[gnu::always_inline]] inline double largestMagnitudePlain(const double* sample, int n) {
    constexpr long long magnitudeBits = 0x7FFFFFFFFFFFFFFFLL;
    Vec8 largest = {};
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        Vec8 x;
        std::memcpy(&x, sample + i, sizeof x);
        const Vec8 magnitude = reinterpret_cast<Vec8>(reinterpret_cast<Bits8>(x) & magnitudeBits);
        largest = magnitude > largest ? magnitude : largest;
    }
    double result = 0.0;
    for (int l = 0; l < 8; ++l) {
        if (largest[l] > result) result = largest[l];
    }
    for (; i < n; ++i) {
        const double magnitude = std::fabs(sample[i]);
        if (magnitude > result) result = magnitude;
    }
    return result;
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx512f"))) double largestMagnitudeAvx512(const double* sample, int n) {
    return largestMagnitudePlain(sample, n);
}

__attribute__((target("avx2"))) double largestMagnitudeAvx2(const double* sample, int n) {
    return largestMagnitudePlain(sample, n);
}

double largestMagnitudeBaseline(const double* sample, int n) { return largestMagnitudePlain(sample, n); }

using LargestMagnitude = double (*)(const double*, int);

double largestMagnitude(const double* sample, int n) {
    static const LargestMagnitude chosen = __builtin_cpu_supports("avx512f") ? largestMagnitudeAvx512
                                           : __builtin_cpu_supports("avx2")  ? largestMagnitudeAvx2
                                                                             : largestMagnitudeBaseline;
    return chosen(sample, n);
}

void accumulateTwoLanes(double* sample, const double* envelope, const double* carrier, double amplitude, int n) {
    accumulateLines<Vec2>(sample, envelope, carrier, amplitude, n);
}

__attribute__((target("avx2"))) void accumulateAvx2(double* sample, const double* envelope, const double* carrier,
                                                    double amplitude, int n) {
    accumulateLines<Vec4>(sample, envelope, carrier, amplitude, n);
}

__attribute__((target("avx512f"))) void accumulateAvx512(double* sample, const double* envelope,
                                                        const double* carrier, double amplitude, int n) {
    accumulateLines<Vec8>(sample, envelope, carrier, amplitude, n);
}

using Accumulate = void (*)(double*, const double*, const double*, double, int);

Accumulate chooseAccumulate() {
    if (__builtin_cpu_supports("avx512f")) return accumulateAvx512;
    if (__builtin_cpu_supports("avx2")) return accumulateAvx2;
    return accumulateTwoLanes;
}

void accumulate(double* sample, const double* envelope, const double* carrier, double amplitude, int n) {
    static const Accumulate chosen = chooseAccumulate();
    chosen(sample, envelope, carrier, amplitude, n);
}
#else
void accumulate(double* sample, const double* envelope, const double* carrier, double amplitude, int n) {
    accumulateLines<Vec2>(sample, envelope, carrier, amplitude, n);
}

double largestMagnitude(const double* sample, int n) { return largestMagnitudePlain(sample, n); }
#endif

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
            *envelope++ = std::sin(omegaTau / halfSines);
            *carrier++ = std::sin(omegaTau);
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
                accumulate(sample + begin, cache.envelope.get() + at, cache.carrier.get() + at, amplitude[j],
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
                const double tau = t - delay[j];
                if (cache.exactWindows || (delay[j] <= t && tau <= length)) {
                    const double omegaTau = omega * tau;
                    sample[i] += (amplitude[j] * std::sin(omegaTau / halfSines)) * std::sin(omegaTau);
                }
            }
        }
    }

    // The peak is the earliest sample of the largest magnitude, as keeping a
    // sample only when its magnitude is strictly greater finds it. A history
    // with no non-zero sample has nothing to scale.
    const double largest = largestMagnitude(sample, nt);
    if (largest == 0.0) return;
    int at = 0;
    while (!(std::fabs(sample[at]) == largest)) ++at;
    const double peak = sample[at];
    const double scale = zpa / peak;
    for (int i = 0; i < nt; ++i) sample[i] *= scale;
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
            const double t = sampleTime(i, timeStep);
            if (delay <= t && t - delay <= length) ++total;
        }
    }
    return total;
}
