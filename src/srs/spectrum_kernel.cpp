#include "srs/spectrum_kernel.h"

#include <cstring>

#include "common/cpu_features.h"
#include "srs/filter_lanes.h"

namespace {

// Sample-major: for each sample, every grid point in turn.
void filterPeaksPlain(const double* history, int sampleCount, int runOn, const SrsFilterBank& bank, int count,
                      double* positive, double* negative) {
    double previousOutput[maxGridPoints];
    double outputBefore[maxGridPoints];
    for (int j = 0; j < count; ++j) {
        previousOutput[j] = 0.0;
        outputBefore[j] = 0.0;
        positive[j] = 0.0;
        negative[j] = 0.0;
    }
    double previousInput = 0.0;
    const int steps = sampleCount + (runOn > 0 ? runOn : 0);
    for (int i = 0; i < steps; ++i) {
        const double x = i < sampleCount ? history[i] : 0.0;
        for (int j = 0; j < count; ++j) {
            const double y = ((bank.a1[j] * previousOutput[j] + bank.a2[j] * outputBefore[j]) + bank.b0[j] * x) +
                             bank.b1[j] * previousInput;
            if (y > positive[j]) positive[j] = y;
            if (y < negative[j]) negative[j] = y;
            outputBefore[j] = previousOutput[j];
            previousOutput[j] = y;
        }
        previousInput = x;
    }
}

// Vectors of grid points as the compiler's generic vector types, so that each
// lane does the scalar operations and comparisons of the recurrence.
typedef double Vec2 __attribute__((vector_size(16)));
typedef double Vec4 __attribute__((vector_size(32)));
typedef double Vec8 __attribute__((vector_size(64)));

constexpr int widestLanes = 8;
// Room for 200 points rounded up to whole vectors of the widest kind.
constexpr int paddedPoints = (maxGridPoints + widestLanes - 1) / widestLanes * widestLanes;

// The bank copied into zero-padded rows, so that whole vectors can be loaded;
// the padding lanes filter nothing and are never read back.
struct PaddedBank {
    alignas(64) double a1[paddedPoints];
    alignas(64) double a2[paddedPoints];
    alignas(64) double b0[paddedPoints];
    alignas(64) double b1[paddedPoints];
    alignas(64) double positive[paddedPoints];
    alignas(64) double negative[paddedPoints];
};

struct SweepJob {
    const double* history;
    int sampleCount;
    int runOn;
    PaddedBank* bank;
    int vectorCount;
};

// Vectors pass by reference: these helpers are inlined into functions that
// enable the wider registers, and by value they would name an ABI that the
// default target lacks.
template <typename Vec>
[[gnu::always_inline]] inline void loadVector(Vec& v, const double* p) {
    std::memcpy(&v, p, sizeof v);
}

template <typename Vec>
[[gnu::always_inline]] inline void storeVector(double* p, const Vec& v) {
    std::memcpy(p, &v, sizeof v);
}

template <typename Vec>
[[gnu::always_inline]] inline void splat(Vec& v, double value) {
    constexpr int lanes = sizeof(Vec) / sizeof(double);
    for (int l = 0; l < lanes; ++l) v[l] = value;
}

// V vectors of grid points starting at point `first`, swept over the history
// and the run-on with their state in registers.
template <typename Vec, int V>
[[gnu::always_inline]] inline void sweepBlock(const SweepJob& job, int first) {
    constexpr int lanes = sizeof(Vec) / sizeof(double);
    PaddedBank& bank = *job.bank;
    LaneFilters<Vec, V> f;
    Vec zero;
    splat(zero, 0.0);
    for (int v = 0; v < V; ++v) {
        const int at = first + v * lanes;
        loadVector(f.a1[v], bank.a1 + at);
        loadVector(f.a2[v], bank.a2 + at);
        loadVector(f.b0[v], bank.b0 + at);
        loadVector(f.b1[v], bank.b1 + at);
        f.y1[v] = zero;
        f.y2[v] = zero;
        f.positive[v] = zero;
        f.negative[v] = zero;
    }

    Vec previousInput = zero;
    for (int i = 0; i < job.sampleCount; ++i) {
        Vec x;
        splat(x, job.history[i]);
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) filterStep(f, v, f.b0[v] * x, f.b1[v] * previousInput);
        previousInput = x;
    }
    Vec lastInput[V];
    for (int v = 0; v < V; ++v) lastInput[v] = previousInput;
    runOnZeroInput(f, lastInput, job.runOn);

    for (int v = 0; v < V; ++v) {
        const int at = first + v * lanes;
        storeVector(bank.positive + at, f.positive[v]);
        storeVector(bank.negative + at, f.negative[v]);
    }
}

// Splits the vectors into as few blocks of at most maxBlock vectors as
// possible, of nearly equal size, so no block is left with too few
// independent recurrences to hide their latency.
template <typename Vec, int maxBlock>
[[gnu::always_inline]] inline void sweepAll(const SweepJob& job) {
    static_assert(maxBlock >= 1 && maxBlock <= 6);
    constexpr int lanes = sizeof(Vec) / sizeof(double);
    const int blocks = (job.vectorCount + maxBlock - 1) / maxBlock;
    if (blocks == 0) return;
    const int base = job.vectorCount / blocks;
    const int larger = job.vectorCount % blocks;
    int vector = 0;
    for (int b = 0; b < blocks; ++b) {
        const int size = base + (b < larger ? 1 : 0);
        const int first = vector * lanes;
        switch (size) {
            case 1: sweepBlock<Vec, 1>(job, first); break;
            case 2: if constexpr (maxBlock >= 2) sweepBlock<Vec, 2>(job, first); break;
            case 3: if constexpr (maxBlock >= 3) sweepBlock<Vec, 3>(job, first); break;
            case 4: if constexpr (maxBlock >= 4) sweepBlock<Vec, 4>(job, first); break;
            case 5: if constexpr (maxBlock >= 5) sweepBlock<Vec, 5>(job, first); break;
            default: if constexpr (maxBlock >= 6) sweepBlock<Vec, 6>(job, first); break;
        }
        vector += size;
    }
}

// The baseline x86-64 (or any) target: two lanes.
void sweepTwoLanes(const SweepJob& job) { sweepAll<Vec2, 4>(job); }

#ifdef KOLVANE_X86_KERNELS
__attribute__((target("avx2"))) void sweepAvx2(const SweepJob& job) { sweepAll<Vec4, 5>(job); }
__attribute__((target("avx512f"))) void sweepAvx512(const SweepJob& job) { sweepAll<Vec8, 5>(job); }
#endif

int lanesOf(FilterKernel kernel) {
    switch (kernel) {
        case FilterKernel::avx512: return 8;
        case FilterKernel::avx2: return 4;
        default: return 2;
    }
}

}  // namespace

bool filterKernelSupported(FilterKernel kernel) {
    switch (kernel) {
        case FilterKernel::plain:
            return true;
        case FilterKernel::sse2:
            return cpuOffers(InstructionSet::sse2);
        case FilterKernel::avx2:
            return cpuOffers(InstructionSet::avx2);
        case FilterKernel::avx512:
            return cpuOffers(InstructionSet::avx512);
    }
    return false;
}

FilterKernel fastestFilterKernel(int count) {
    const bool avx512 = cpuOffers(InstructionSet::avx512);
    const bool avx2 = cpuOffers(InstructionSet::avx2);
    if (avx512 && (count > 12 || !avx2)) return FilterKernel::avx512;
    if (avx2) return FilterKernel::avx2;
    return FilterKernel::sse2;
}

FilterKernel runFilterKernel(int count) {
    return plainKernelsOnly ? FilterKernel::plain : fastestFilterKernel(count);
}

void filterPeaks(FilterKernel kernel, const double* history, int sampleCount, int runOn, const SrsFilterBank& bank,
                 int count, double* positive, double* negative) {
    if (count <= 0) return;
    if (kernel == FilterKernel::plain || !filterKernelSupported(kernel)) {
        filterPeaksPlain(history, sampleCount, runOn, bank, count, positive, negative);
        return;
    }
    const int lanes = lanesOf(kernel);
    const int vectorCount = (count + lanes - 1) / lanes;
    PaddedBank padded;
    for (int j = 0; j < vectorCount * lanes; ++j) {
        const bool real = j < count;
        padded.a1[j] = real ? bank.a1[j] : 0.0;
        padded.a2[j] = real ? bank.a2[j] : 0.0;
        padded.b0[j] = real ? bank.b0[j] : 0.0;
        padded.b1[j] = real ? bank.b1[j] : 0.0;
    }
    const SweepJob job{history, sampleCount, runOn > 0 ? runOn : 0, &padded, vectorCount};
    switch (kernel) {
#ifdef KOLVANE_X86_KERNELS
        case FilterKernel::avx512: sweepAvx512(job); break;
        case FilterKernel::avx2: sweepAvx2(job); break;
#endif
        default: sweepTwoLanes(job); break;
    }
    for (int j = 0; j < count; ++j) {
        positive[j] = padded.positive[j];
        negative[j] = padded.negative[j];
    }
}
