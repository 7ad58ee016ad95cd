#include "results/ranking.h"

#include <climits>
#include <cmath>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "run/number_format.h"

namespace {

const int measureWeight[measureCount] = {1, 2, 3, 3, 8};
const char* const sectionHeading[measureCount] = {"\n\n accel \n", "\n\n vel \n", "\n\n disp \n",
                                                   "\n\n error \n", "\n\n irror \n"};

void writeSortedLists(const TrialRanking& ranking, int n, std::FILE* out) {
    for (int m = 0; m < measureCount; ++m) {
        std::fputs(sectionHeading[m], out);
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
    std::fputs(units == 3 ? "\n No.\t Freq(Hz) \t Amp(m/s^2)\t NHS \t  Delay(sec) \n"
                          : "\n No.\t Freq(Hz) \t   Amp(G) \t NHS  \t  Delay(sec) \n",
               out);
    for (int j = 0; j < grid.count; ++j) {
        std::fprintf(out, "%ld \t %12.3f \t %12.3f \t %ld \t %12.5f \n", static_cast<long>(j), grid.frequency[j],
                     wavelets.amplitude[trial][j], static_cast<long>(wavelets.nhs[trial][j]),
                     wavelets.delay[trial][j]);
    }
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

// The exchange procedure only ever swaps a later entry whose key is strictly
// below the one at the current position, so each pass is a chain of such
// finds; the scan between them is what costs, and it compares many keys at
// once below. The comparisons are the scalar "<" (false with a NaN).
using FindSmaller = int (*)(const double* key, int from, int n, double champion);

// First position from `from` on whose key is strictly below `champion`, or n.
int findSmallerPlain(const double* key, int from, int n, double champion) {
    for (int j = from; j < n; ++j) {
        if (key[j] < champion) return j;
    }
    return n;
}

#if defined(__x86_64__) || defined(__i386__)
int findSmallerSse2(const double* key, int from, int n, double champion) {
    const __m128d c = _mm_set1_pd(champion);
    int j = from;
    for (; j + 8 <= n; j += 8) {
        const int m0 = _mm_movemask_pd(_mm_cmplt_pd(_mm_loadu_pd(key + j), c));
        const int m1 = _mm_movemask_pd(_mm_cmplt_pd(_mm_loadu_pd(key + j + 2), c));
        const int m2 = _mm_movemask_pd(_mm_cmplt_pd(_mm_loadu_pd(key + j + 4), c));
        const int m3 = _mm_movemask_pd(_mm_cmplt_pd(_mm_loadu_pd(key + j + 6), c));
        const int mask = m0 | (m1 << 2) | (m2 << 4) | (m3 << 6);
        if (mask != 0) return j + __builtin_ctz(static_cast<unsigned>(mask));
    }
    return findSmallerPlain(key, j, n, champion);
}

__attribute__((target("avx2"))) int findSmallerAvx2(const double* key, int from, int n, double champion) {
    const __m256d c = _mm256_set1_pd(champion);
    int j = from;
    for (; j + 16 <= n; j += 16) {
        const int m0 = _mm256_movemask_pd(_mm256_cmp_pd(_mm256_loadu_pd(key + j), c, _CMP_LT_OQ));
        const int m1 = _mm256_movemask_pd(_mm256_cmp_pd(_mm256_loadu_pd(key + j + 4), c, _CMP_LT_OQ));
        const int m2 = _mm256_movemask_pd(_mm256_cmp_pd(_mm256_loadu_pd(key + j + 8), c, _CMP_LT_OQ));
        const int m3 = _mm256_movemask_pd(_mm256_cmp_pd(_mm256_loadu_pd(key + j + 12), c, _CMP_LT_OQ));
        const int mask = m0 | (m1 << 4) | (m2 << 8) | (m3 << 12);
        if (mask != 0) return j + __builtin_ctz(static_cast<unsigned>(mask));
    }
    return findSmallerPlain(key, j, n, champion);
}

__attribute__((target("avx512f"))) int findSmallerAvx512(const double* key, int from, int n, double champion) {
    const __m512d c = _mm512_set1_pd(champion);
    int j = from;
    for (; j + 32 <= n; j += 32) {
        const unsigned m0 = _mm512_cmp_pd_mask(_mm512_loadu_pd(key + j), c, _CMP_LT_OQ);
        const unsigned m1 = _mm512_cmp_pd_mask(_mm512_loadu_pd(key + j + 8), c, _CMP_LT_OQ);
        const unsigned m2 = _mm512_cmp_pd_mask(_mm512_loadu_pd(key + j + 16), c, _CMP_LT_OQ);
        const unsigned m3 = _mm512_cmp_pd_mask(_mm512_loadu_pd(key + j + 24), c, _CMP_LT_OQ);
        const unsigned mask = m0 | (m1 << 8) | (m2 << 16) | (m3 << 24);
        if (mask != 0) return j + __builtin_ctz(mask);
    }
    return findSmallerPlain(key, j, n, champion);
}

FindSmaller chooseFindSmaller() {
    if (__builtin_cpu_supports("avx512f")) return findSmallerAvx512;
    if (__builtin_cpu_supports("avx2")) return findSmallerAvx2;
    return findSmallerSse2;
}
#else
FindSmaller chooseFindSmaller() { return findSmallerPlain; }
#endif

// The exchange procedure on a key list; `values` (which may be the keys
// themselves) and `order` are swapped along with the keys.
void exchangeSortByKey(double* key, double* values, std::int32_t* order, int n, FindSmaller findSmaller) {
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = findSmaller(key, i + 1, n, key[i]); j < n; j = findSmaller(key, j + 1, n, key[i])) {
            std::swap(key[i], key[j]);
            if (values != key) std::swap(values[i], values[j]);
            std::swap(order[i], order[j]);
        }
    }
}

}  // namespace

void sortMeasures(TrialRanking& ranking, int n, double zpa) {
    static const FindSmaller findSmaller = chooseFindSmaller();
    // The accel key is each value's distance from the ZPA; it travels with
    // its value, so it is computed once per entry instead of per comparison.
    double distance[maxTrials];
    for (int m = 0; m < measureCount; ++m) {
        for (int k = 0; k < n; ++k) {
            ranking.order[m][k] = k;
            ranking.rank[m][k] = 0;
        }
        double* values = ranking.working[m];
        if (m == accelMeasure) {
            for (int k = 0; k < n; ++k) distance[k] = std::fabs(values[k] - zpa);
            exchangeSortByKey(distance, values, ranking.order[m], n, findSmaller);
        } else {
            exchangeSortByKey(values, values, ranking.order[m], n, findSmaller);
        }
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
