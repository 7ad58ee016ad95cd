#include "results/ranking.h"

#include <climits>
#include <cmath>

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

void sortMeasures(TrialRanking& ranking, int n, double zpa) {
    for (int m = 0; m < measureCount; ++m) {
        for (int k = 0; k < n; ++k) {
            ranking.order[m][k] = k;
            ranking.rank[m][k] = 0;
        }
        exchangeSortMeasure(ranking.working[m], ranking.order[m], n, zpa, m == accelMeasure);
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
