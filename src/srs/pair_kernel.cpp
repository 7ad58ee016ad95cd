#include "srs/pair_kernel.h"

#include <cstring>

#include "common/cpu_features.h"
#include "srs/filter_lanes.h"
#include "srs/spectrum_kernel.h"

#ifdef KOLVANE_X86_KERNELS
#include <immintrin.h>
#endif

namespace {

// Every vector of 8 lanes must hold points of at most two histories, which
// at least 7 points per history ensures, and all vectors must fit in
// registers, which at most 24 points per history (six vectors) does.
constexpr int fewestPairedPoints = 7;
constexpr int mostPairedPoints = 24;
constexpr int lanes = 8;
constexpr int mostVectors = 2 * mostPairedPoints / lanes;

#ifdef KOLVANE_X86_KERNELS
typedef double Vec8 __attribute__((vector_size(64)));

// Lane l of vector v is point (8v + l) mod count of history (8v + l) / count;
// lanes past both histories' points have zero coefficients, filter nothing
// and are never read back.
struct PairLayout {
    alignas(64) double a1[mostVectors * lanes];
    alignas(64) double a2[mostVectors * lanes];
    alignas(64) double b0[mostVectors * lanes];
    alignas(64) double b1[mostVectors * lanes];
    alignas(64) double positive[mostVectors * lanes];
    alignas(64) double negative[mostVectors * lanes];
    __mmask8 second[mostVectors];  // lanes that filter the second history
};

template <int V>
__attribute__((target("avx512f"))) inline void sweepPair(const double* const history[2], int sampleCount, int runOn,
                                                         PairLayout& layout) {
    LaneFilters<Vec8, V> f;
    Vec8 previousInput[V];
    const Vec8 zero = {};
    for (int v = 0; v < V; ++v) {
        std::memcpy(&f.a1[v], layout.a1 + v * lanes, sizeof(Vec8));
        std::memcpy(&f.a2[v], layout.a2 + v * lanes, sizeof(Vec8));
        std::memcpy(&f.b0[v], layout.b0 + v * lanes, sizeof(Vec8));
        std::memcpy(&f.b1[v], layout.b1 + v * lanes, sizeof(Vec8));
        f.y1[v] = zero;
        f.y2[v] = zero;
        f.positive[v] = zero;
        f.negative[v] = zero;
        previousInput[v] = zero;
    }
    const double* first = history[0];
    const double* second = history[1];
    for (int i = 0; i < sampleCount; ++i) {
        // Each lane's input is its own history's sample: two broadcasts, and
        // a blend of them for every vector.
        const __m512d firstInput = _mm512_set1_pd(first[i]);
        const __m512d secondInput = _mm512_set1_pd(second[i]);
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            const Vec8 x = _mm512_mask_blend_pd(layout.second[v], firstInput, secondInput);
            filterStep(f, v, f.b0[v] * x, f.b1[v] * previousInput[v]);
            previousInput[v] = x;
        }
    }
    runOnZeroInput(f, previousInput, runOn);

    for (int v = 0; v < V; ++v) {
        std::memcpy(layout.positive + v * lanes, &f.positive[v], sizeof(Vec8));
        std::memcpy(layout.negative + v * lanes, &f.negative[v], sizeof(Vec8));
    }
}

__attribute__((target("avx512f"))) void sweepPairAvx512(const double* const history[2], int sampleCount, int runOn,
                                                       PairLayout& layout, int vectors) {
    switch (vectors) {
        case 2: sweepPair<2>(history, sampleCount, runOn, layout); break;
        case 3: sweepPair<3>(history, sampleCount, runOn, layout); break;
        case 4: sweepPair<4>(history, sampleCount, runOn, layout); break;
        case 5: sweepPair<5>(history, sampleCount, runOn, layout); break;
        default: sweepPair<6>(history, sampleCount, runOn, layout); break;
    }
}
#endif

}  // namespace

// Pairing is a vector kernel of its own: where the run keeps the plain loop
// it sweeps every history alone.
bool pairSweepPays(int count) {
    return runFilterKernel(count) != FilterKernel::plain && cpuOffers(InstructionSet::avx512) &&
           count >= fewestPairedPoints && count <= mostPairedPoints;
}

void filterPeaksPair(const double* const history[2], int sampleCount, int runOn, const SrsFilterBank& bank, int count,
                     double* const positive[2], double* const negative[2]) {
#ifdef KOLVANE_X86_KERNELS
    if (pairSweepPays(count)) {
        PairLayout layout;
        const int points = 2 * count;
        const int vectors = (points + lanes - 1) / lanes;
        for (int v = 0; v < vectors; ++v) {
            layout.second[v] = 0;
            for (int l = 0; l < lanes; ++l) {
                const int at = v * lanes + l;
                const bool real = at < points;
                const int j = at % count;
                layout.a1[at] = real ? bank.a1[j] : 0.0;
                layout.a2[at] = real ? bank.a2[j] : 0.0;
                layout.b0[at] = real ? bank.b0[j] : 0.0;
                layout.b1[at] = real ? bank.b1[j] : 0.0;
                if (real && at >= count) layout.second[v] = static_cast<__mmask8>(layout.second[v] | (1u << l));
            }
        }
        sweepPairAvx512(history, sampleCount, runOn > 0 ? runOn : 0, layout, vectors);
        for (int at = 0; at < points; ++at) {
            const int h = at / count;
            positive[h][at % count] = layout.positive[at];
            negative[h][at % count] = layout.negative[at];
        }
        return;
    }
#endif
    for (int h = 0; h < 2; ++h) {
        filterPeaks(runFilterKernel(count), history[h], sampleCount, runOn, bank, count, positive[h], negative[h]);
    }
}
