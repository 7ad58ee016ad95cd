#include "results/ranking.h"

#include <climits>
#include <cmath>
#include <algorithm>

#include "common/cpu_features.h"
#include "common/number_format.h"
#include "results/file_layout.h"
#include "results/history_files.h"

#ifdef KOLVANE_X86_KERNELS
#include <immintrin.h>
#endif

namespace {

const int measureWeight[measureCount] = {1, 2, 3, 3, 8};
static_assert(sortedListSectionCount == measureCount, "one rank_d.out section per measure");

void writeSortedLists(const TrialRanking& ranking, int n, std::FILE* out) {
    for (int m = 0; m < measureCount; ++m) {
        std::fprintf(out, "\n\n %s \n", sortedListSectionNames[m]);
        for (int k = 0; k < n; ++k) {
            const long trial = ranking.order[m][k];
            const double value = ranking.working[m][k];
            if (m == dispMeasure) {
                std::fprintf(out, "%ld %s \n", trial, formatGeneral(value, 14, 4).c_str());
            } else {
                std::fprintf(out, "%ld %12.3f \n", trial, value);
            }
        }
    }
}

void writeWaveletTable(int trial, UnitSystem units, const FrequencyGrid& grid, const WaveletTable& wavelets,
                       std::FILE* out) {
    const std::string text = waveletTableText(units, waveletRow(wavelets, trial, grid));
    std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace

void exchangeSortMeasure(double* values, std::int32_t* order, int n, double zpa, bool distanceFromZpa) {
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const bool better = distanceFromZpa ? std::fabs(values[j] - zpa) < std::fabs(values[i] - zpa)
                                                : values[i] > values[j];
            if (better) {
                const double value = values[i];
                values[i] = values[j];
                values[j] = value;
                const std::int32_t trial = order[i];
                order[i] = order[j];
                order[j] = trial;
            }
        }
    }
}

namespace {

// The sort works on entries packing a key code and a trial number,
// (code << 16) | trial, with codes numbering the distinct keys in ascending
// order: equal keys get equal codes, so "key j < key i" is "entry j < entry
// i with its trial bits cleared", and the procedure can run branch-free.
constexpr std::uint32_t trialBits = 0xFFFFu;

// One comparison of the procedure: the later entry takes the current one's
// place when its key is strictly smaller.
inline void exchangeStep(std::uint32_t& current, std::uint32_t& later) {
    const std::uint32_t candidate = later;
    // All ones when the later key is smaller; arithmetic, not a branch, as
    // the outcome is unpredictable.
    const std::uint32_t swapMask = 0u - static_cast<std::uint32_t>(candidate < (current & ~trialBits));
    const std::uint32_t difference = (candidate ^ current) & swapMask;
    later = candidate ^ difference;
    current = current ^ difference;
}

// Pass i compares position i with i+1, i+2, .. in turn; pass i+1 may compare
// position j as soon as pass i is done with it. So `handCount` passes run in
// a staggered wave, one position apart: at step s pass i0+k works on position
// s + i0 + 1 - k and holds its own position's entry in a register. Every
// comparison is the procedure's own, on the entry it would see.
constexpr int handCount = 8;

void exchangeWave(std::uint32_t* entry, int n, int i0) {
    std::uint32_t hand[handCount] = {};
    const int last = n - 1;
    const auto checkedStep = [&](int s) {
        for (int k = 0; k < handCount; ++k) {
            if (s < 2 * k) break;
            if (s == 2 * k) hand[k] = entry[i0 + k];
            const int j = s + i0 + 1 - k;
            if (j <= last) exchangeStep(hand[k], entry[j]);
        }
    };
    const int firstFull = 2 * handCount - 1;  // every pass started
    const int lastFull = last - i0 - 1;       // the leading pass still inside the list
    int s = 0;
    for (; s < firstFull; ++s) checkedStep(s);
    for (; s <= lastFull; ++s) {
        std::uint32_t* at = entry + s + i0 + 1;
        for (int k = 0; k < handCount; ++k) exchangeStep(hand[k], at[-k]);
    }
    for (; s <= lastFull + handCount - 1; ++s) checkedStep(s);
    for (int k = 0; k < handCount; ++k) entry[i0 + k] = hand[k];
}

// Sentinel entries after the list: a key above every code, so no pass ever
// takes one, and room for the vector wave to read and write past the end.
constexpr int entryPadding = 64;
constexpr std::uint32_t sentinelEntry = 0x7FFFFFFFu;

#ifdef KOLVANE_X86_KERNELS
// The same wave with sixteen passes in the lanes of one vector. The entries
// in flight move up one lane per step, so lane k meets each position one step
// after lane k-1 has left it; a new position enters lane 0 and lane 15 hands
// its position on as final for this wave. A lane whose pass has not started
// holds 0, which nothing is below, and takes its own position's entry as it
// passes (lane k at step 2k-1). Codes stay below 2^15, so the signed compare
// orders the entries as unsigned ones.
// GCC 12 reports the intrinsics' own don't-care operands as uninitialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
__attribute__((target("avx512f"))) void exchangeWaveAvx512(std::uint32_t* entry, int n, int i0) {
    const __m512i reverse = _mm512_set_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512i codeMask = _mm512_set1_epi32(static_cast<int>(~trialBits));
    __m512i hand = _mm512_mask_set1_epi32(_mm512_setzero_si512(), 1, static_cast<int>(entry[i0]));
    __m512i inFlight = _mm512_set1_epi32(static_cast<int>(sentinelEntry));
    __m512i leaving = inFlight;
    const int last = n - 1;
    // Step s takes position s + i0 + 1 into lane 0 and hands position
    // s + i0 - 14 out of lane 15; chunk c covers steps 16c .. 16c+15.
    const int chunks = (last - i0 - 1) / 16 + 2;
    for (int c = 0; c < chunks; ++c) {
        const int firstStep = 16 * c;
        __m512i incoming = _mm512_permutexvar_epi32(
            reverse, _mm512_loadu_si512(static_cast<const void*>(entry + firstStep + i0 + 1)));
        for (int t = 0; t < 16; ++t) {
            inFlight = _mm512_alignr_epi32(inFlight, incoming, 15);
            incoming = _mm512_alignr_epi32(incoming, incoming, 15);
            const int s = firstStep + t;
            if (s < 31 && (s & 1) == 1) {
                hand = _mm512_mask_mov_epi32(hand, static_cast<__mmask16>(1u << ((s + 1) / 2)), inFlight);
            }
            const __mmask16 smaller = _mm512_cmplt_epi32_mask(inFlight, _mm512_and_si512(hand, codeMask));
            const __m512i previousHand = hand;
            hand = _mm512_mask_mov_epi32(hand, smaller, inFlight);
            inFlight = _mm512_mask_mov_epi32(inFlight, smaller, previousHand);
            leaving = _mm512_alignr_epi32(leaving, inFlight, 15);
        }
        // leaving lane 0 holds the latest position: reverse to store in order.
        const int firstPosition = firstStep + i0 - 14;
        const __m512i ordered = _mm512_permutexvar_epi32(reverse, leaving);
        if (c == 0) {
            // The first chunk's early lanes carried no position of this wave.
            _mm512_mask_storeu_epi32(static_cast<void*>(entry + firstPosition), static_cast<__mmask16>(0xC000u),
                                     ordered);
        } else {
            _mm512_storeu_si512(static_cast<void*>(entry + firstPosition), ordered);
        }
    }
    _mm512_storeu_si512(static_cast<void*>(entry + i0), hand);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

constexpr int vectorHandCount = 16;
#endif

void exchangeSortPacked(std::uint32_t* entry, int n) {
    for (int p = n; p < n + entryPadding; ++p) entry[p] = sentinelEntry;
    int i = 0;
#ifdef KOLVANE_X86_KERNELS
    if (cpuOffers(InstructionSet::avx512)) {
        for (; i + vectorHandCount < n; i += vectorHandCount) exchangeWaveAvx512(entry, n, i);
    }
#endif
    for (; i + handCount < n; i += handCount) exchangeWave(entry, n, i);
    for (; i + 1 < n; ++i) {
        for (int j = i + 1; j < n; ++j) exchangeStep(entry[i], entry[j]);
    }
}

// Sorts one measure's first n keys, carrying values and trial numbers. Keys
// that include a NaN compare unordered, which codes cannot express; such a
// list takes the reference procedure.
void sortMeasure(const double* key, double* values, std::int32_t* order, int n, double zpa, bool distanceFromZpa) {
    for (int k = 0; k < n; ++k) {
        if (std::isnan(key[k])) {
            exchangeSortMeasure(values, order, n, zpa, distanceFromZpa);
            return;
        }
    }
    // Codes: trial numbers by ascending key, then one code per distinct key.
    std::int32_t byKey[maxTrials];
    for (int k = 0; k < n; ++k) byKey[k] = k;
    std::sort(byKey, byKey + n, [&](std::int32_t a, std::int32_t b) { return key[a] < key[b]; });
    // The vector wave's first stores start 14 entries before its first pass.
    constexpr int leadingRoom = 16;
    std::uint32_t entryStore[leadingRoom + maxTrials + entryPadding];
    std::uint32_t* const entry = entryStore + leadingRoom;
    std::uint32_t code = 0;
    for (int r = 0; r < n; ++r) {
        if (r > 0 && key[byKey[r - 1]] < key[byKey[r]]) ++code;
        entry[byKey[r]] = (code << 16) | static_cast<std::uint32_t>(byKey[r]);
    }
    exchangeSortPacked(entry, n);

    double original[maxTrials];
    for (int k = 0; k < n; ++k) original[k] = values[k];
    for (int k = 0; k < n; ++k) {
        const std::int32_t trial = static_cast<std::int32_t>(entry[k] & trialBits);
        order[k] = trial;
        values[k] = original[trial];
    }
}

}  // namespace

void sortMeasures(TrialRanking& ranking, int n, double zpa) {
    // The accel key is each value's distance from the ZPA, computed as the
    // comparison computes it.
    double distance[maxTrials];
    for (int m = 0; m < measureCount; ++m) {
        for (int k = 0; k < n; ++k) {
            ranking.order[m][k] = k;
            ranking.rank[m][k] = 0;
        }
        double* values = ranking.working[m];
        const bool distanceFromZpa = m == accelMeasure;
        if (distanceFromZpa) {
            for (int k = 0; k < n; ++k) distance[k] = std::fabs(values[k] - zpa);
        }
        sortMeasure(distanceFromZpa ? distance : values, values, ranking.order[m], n, zpa, distanceFromZpa);
        for (int k = 0; k < n; ++k) ranking.rank[m][ranking.order[m][k]] = k;
    }
}

void rankTrials(TrialRanking& ranking, int n, double zpa, UnitSystem units, const FrequencyGrid& grid,
                const WaveletTable& wavelets, const RankingFiles& files) {
    sortMeasures(ranking, n, zpa);
    writeSortedLists(ranking, n, files.sortedLists);

    // Any score a ranking can give is below INT_MAX, so the lowest one always wins.
    std::int32_t best = INT_MAX;
    for (int t = 0; t < n; ++t) {
        std::int32_t score = 0;
        for (int m = 0; m < measureCount; ++m) score += measureWeight[m] * ranking.rank[m][t];
        ranking.score[t] = score;
        if (score < best) {
            best = score;
            ranking.optimumCase = t;
        }
        std::fprintf(files.ranks, "i=%ld \t n=%ld \t a=%ld \t v=%ld \t d=%ld \t e=%ld \t ie=%ld\n",
                     static_cast<long>(t), static_cast<long>(score),
                     static_cast<long>(ranking.rank[accelMeasure][t]), static_cast<long>(ranking.rank[velMeasure][t]),
                     static_cast<long>(ranking.rank[dispMeasure][t]), static_cast<long>(ranking.rank[errorMeasure][t]),
                     static_cast<long>(ranking.rank[irrorMeasure][t]));
    }
    writeWaveletTable(ranking.optimumCase, units, grid, wavelets, files.wavelets);
}

std::vector<ExactWavelet> waveletRow(const WaveletTable& wavelets, int trial, const FrequencyGrid& grid) {
    std::vector<ExactWavelet> row;
    for (int j = 0; j < grid.count; ++j) {
        row.push_back({grid.frequency[j], wavelets.amplitude[trial][j], wavelets.nhs[trial][j], wavelets.delay[trial][j]});
    }
    return row;
}
