#include "wavelet/pass_kernels.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/cpu_features.h"

namespace {

typedef double Vec2 __attribute__((vector_size(16)));
typedef double Vec4 __attribute__((vector_size(32)));
typedef double Vec8 __attribute__((vector_size(64)));
typedef long long Bits8 __attribute__((vector_size(64)));

constexpr long long magnitudeBits = 0x7FFFFFFFFFFFFFFFLL;

// Vectors pass by reference: these helpers are inlined into functions that
// enable the wider registers, and by value they would name an ABI that the
// default target lacks.
[[gnu::always_inline]] inline void loadMagnitudes(Vec8& magnitude, const double* sample) {
    Vec8 x;
    std::memcpy(&x, sample, sizeof x);
    magnitude = reinterpret_cast<Vec8>(reinterpret_cast<Bits8>(x) & magnitudeBits);
}

// The cached sines share the history's offset within a cache line, so once
// the samples up to the history's next vector boundary are done every vector
// of all three streams lies within one line.
template <typename Vec>
[[gnu::always_inline]] inline void accumulateLanes(double* sample, const double* envelope, const double* carrier,
                                                   double amplitude, int n) {
    constexpr int lanes = sizeof(Vec) / sizeof(double);
    int i = 0;
    for (; i < n && reinterpret_cast<std::uintptr_t>(sample + i) % sizeof(Vec) != 0; ++i) {
        sample[i] += (amplitude * envelope[i]) * carrier[i];
    }
    for (; i + lanes <= n; i += lanes) {
        Vec e, c, x;
        std::memcpy(&e, envelope + i, sizeof e);
        std::memcpy(&c, carrier + i, sizeof c);
        std::memcpy(&x, sample + i, sizeof x);
        x += (amplitude * e) * c;
        std::memcpy(sample + i, &x, sizeof x);
    }
    for (; i < n; ++i) sample[i] += (amplitude * envelope[i]) * carrier[i];
}

[[gnu::always_inline]] inline void keepLarger(Vec8& largest, const Vec8& magnitude) {
    largest = magnitude > largest ? magnitude : largest;
}

// The largest lane of a vector of maxima, folded in halves.
[[gnu::always_inline]] inline double largestLane(const Vec8& maxima) {
    Vec8 largest = maxima;
    keepLarger(largest, __builtin_shufflevector(largest, largest, 4, 5, 6, 7, 0, 1, 2, 3));
    keepLarger(largest, __builtin_shufflevector(largest, largest, 2, 3, 0, 1, 6, 7, 4, 5));
    keepLarger(largest, __builtin_shufflevector(largest, largest, 1, 0, 3, 2, 5, 4, 7, 6));
    return largest[0];
}

// The largest magnitude of samples [i, i+32), as a vector of maxima.
[[gnu::always_inline]] inline void largestOfBlock(Vec8& largest, const double* sample) {
    // Four running maxima, so that each vector waits on no earlier one.
    Vec8 part[4] = {};
    for (int r = 0; r < 4; ++r) {
        Vec8 magnitude;
        loadMagnitudes(magnitude, sample + 8 * r);
        keepLarger(part[r], magnitude);
    }
    keepLarger(part[0], part[1]);
    keepLarger(part[2], part[3]);
    keepLarger(part[0], part[2]);
    keepLarger(largest, part[0]);
}

// The largest magnitude among the samples that are numbers, 0 if none is
// above zero: a lane-wise "a > m ? a : m", which never picks a NaN. The
// result does not depend on the order the samples are visited in, since all
// magnitudes are non-negative.
[[gnu::always_inline]] inline double largestMagnitude(const double* sample, int n) {
    Vec8 largest[4] = {};
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        for (int r = 0; r < 4; ++r) {
            Vec8 magnitude;
            loadMagnitudes(magnitude, sample + i + 8 * r);
            keepLarger(largest[r], magnitude);
        }
    }
    keepLarger(largest[0], largest[1]);
    keepLarger(largest[2], largest[3]);
    keepLarger(largest[0], largest[2]);
    double result = largestLane(largest[0]);
    for (; i < n; ++i) {
        const double magnitude = std::fabs(sample[i]);
        if (magnitude > result) result = magnitude;
    }
    return result;
}

// The first index whose magnitude is `largest`, which some sample has: the
// first block of 32 whose largest magnitude it is, then the sample within.
[[gnu::always_inline]] inline int firstOfMagnitude(const double* sample, int n, double largest) {
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        Vec8 block = {};
        largestOfBlock(block, sample + i);
        if (largestLane(block) == largest) break;
    }
    while (!(std::fabs(sample[i]) == largest)) ++i;
    return i;
}

[[gnu::always_inline]] inline bool scaleToPeakLanes(double* sample, int n, double zpa, double& scale) {
    const double largest = largestMagnitude(sample, n);
    if (largest == 0.0) return false;
    const double factor = zpa / sample[firstOfMagnitude(sample, n, largest)];
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        Vec8 x;
        std::memcpy(&x, sample + i, sizeof x);
        x *= factor;
        std::memcpy(sample + i, &x, sizeof x);
    }
    for (; i < n; ++i) sample[i] *= factor;
    scale = factor;
    return true;
}

struct PassKernels {
    void (*accumulate)(double*, const double*, const double*, double, int);
    bool (*scaleToPeak)(double*, int, double, double&);
};

void accumulateBaseline(double* sample, const double* envelope, const double* carrier, double amplitude, int n) {
    accumulateLanes<Vec2>(sample, envelope, carrier, amplitude, n);
}

bool scaleToPeakBaseline(double* sample, int n, double zpa, double& scale) {
    return scaleToPeakLanes(sample, n, zpa, scale);
}

#ifdef KOLVANE_X86_KERNELS
__attribute__((target("avx2"))) void accumulateAvx2(double* sample, const double* envelope, const double* carrier,
                                                    double amplitude, int n) {
    accumulateLanes<Vec4>(sample, envelope, carrier, amplitude, n);
}

__attribute__((target("avx2"))) bool scaleToPeakAvx2(double* sample, int n, double zpa, double& scale) {
    return scaleToPeakLanes(sample, n, zpa, scale);
}

__attribute__((target("avx512f"))) void accumulateAvx512(double* sample, const double* envelope,
                                                        const double* carrier, double amplitude, int n) {
    accumulateLanes<Vec8>(sample, envelope, carrier, amplitude, n);
}

__attribute__((target("avx512f"))) bool scaleToPeakAvx512(double* sample, int n, double zpa, double& scale) {
    return scaleToPeakLanes(sample, n, zpa, scale);
}

#endif

PassKernels choosePassKernels() {
#ifdef KOLVANE_X86_KERNELS
    if (cpuOffers(InstructionSet::avx512)) return {accumulateAvx512, scaleToPeakAvx512};
    if (cpuOffers(InstructionSet::avx2)) return {accumulateAvx2, scaleToPeakAvx2};
#endif
    return {accumulateBaseline, scaleToPeakBaseline};
}

const PassKernels& passKernels() {
    static const PassKernels chosen = choosePassKernels();
    return chosen;
}

}  // namespace

void accumulateWavelet(double* sample, const double* envelope, const double* carrier, double amplitude, int n) {
    passKernels().accumulate(sample, envelope, carrier, amplitude, n);
}

bool scaleToPeak(double* sample, int n, double zpa, double& scale) {
    return passKernels().scaleToPeak(sample, n, zpa, scale);
}
