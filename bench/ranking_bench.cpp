// Ranking of 8000 trials: the five lists sorted by the exchange procedure as
// written, against the sort the program uses, and the whole rankTrials with
// its three files.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>

#include "bench_setup.h"
#include "results/ranking.h"

namespace {

constexpr int benchTrials = 8000;
constexpr double benchZpa = 250.0;

// Trial measures as a run gives them: peak accelerations at the ZPA up to
// rounding (so most tie on the accel key), the others spread and rounded.
struct Measures {
    double value[measureCount][maxTrials];
    Measures() {
        std::mt19937_64 engine(99);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int t = 0; t < benchTrials; ++t) {
            const double u = unit(engine);
            value[accelMeasure][t] = u < 0.8 ? benchZpa : benchZpa + (u < 0.9 ? 1e-13 : -1e-13);
            value[velMeasure][t] = std::round(unit(engine) * 4000.0) / 100.0;
            value[dispMeasure][t] = unit(engine) * 0.05;
            value[errorMeasure][t] = 5.0 + unit(engine) * 40.0;
            value[irrorMeasure][t] = std::round(unit(engine) * 1000.0) / 1000.0;
        }
    }
};

void loadWorking(TrialRanking& ranking, const Measures& measures) {
    for (int m = 0; m < measureCount; ++m) {
        for (int t = 0; t < benchTrials; ++t) ranking.working[m][t] = measures.value[m][t];
    }
}

// The exchange procedure straight from its statement, over all five lists.
void plainSort(TrialRanking& ranking, int n, double zpa) {
    for (int m = 0; m < measureCount; ++m) {
        std::int32_t* order = ranking.order[m];
        for (int k = 0; k < n; ++k) order[k] = k;
        exchangeSortMeasure(ranking.working[m], order, n, zpa, m == accelMeasure);
        for (int k = 0; k < n; ++k) ranking.rank[m][order[k]] = k;
    }
}

// Sorts the five lists of n = 8000 trials with `sort`, from the same values each time.
void sortWith(benchmark::State& state, void (*sort)(TrialRanking&, int, double)) {
    const auto measures = std::make_unique<Measures>();
    const auto ranking = std::make_unique<TrialRanking>();
    for (auto _ : state) {
        state.PauseTiming();
        loadWorking(*ranking, *measures);
        state.ResumeTiming();
        sort(*ranking, benchTrials, benchZpa);
        benchmark::DoNotOptimize(ranking->rank[0][0]);
    }
}

void sortPlain(benchmark::State& state) { sortWith(state, plainSort); }
void sortFast(benchmark::State& state) { sortWith(state, sortMeasures); }

void rankAll(benchmark::State& state) {
    const auto measures = std::make_unique<Measures>();
    const auto ranking = std::make_unique<TrialRanking>();
    const auto run = makeBenchRun(100.0, 1000.0, 1, 0.1, benchZpa);
    std::FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        state.PauseTiming();
        loadWorking(*ranking, *measures);
        state.ResumeTiming();
        rankTrials(*ranking, benchTrials, benchZpa, 1, run->grid, run->wavelets, RankingFiles{sink, sink, sink});
    }
    std::fclose(sink);
}

}  // namespace

BENCHMARK(sortPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(sortFast)->Unit(benchmark::kMillisecond);
BENCHMARK(rankAll)->Unit(benchmark::kMillisecond);
