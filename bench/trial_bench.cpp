// One whole trial (first synthesis, passes, motion peaks) on the bundled
// example's shape and on the long run's small grid.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench_setup.h"
#include "run/trial.h"

namespace {

constexpr int benchRows = 12;

void wholeTrial(benchmark::State& state, std::unique_ptr<RunState> run) {
    for (int t = 0; t < benchRows; ++t) drawTrial(*run, t);
    // Each trial starts from its drawn amplitudes.
    const std::unique_ptr<WaveletTable> drawn = std::make_unique<WaveletTable>(run->wavelets);
    std::string diagnostics;
    const TrialContext context{run->wavelets, run->grid, run->answers, run->sampling};
    int t = 0;
    long passes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int j = 0; j < run->grid.count; ++j) run->wavelets.amplitude[t][j] = drawn->amplitude[t][j];
        state.ResumeTiming();
        const TrialResult result = evaluateTrial(context, t, run->workspace, diagnostics);
        passes += result.passCount;
        diagnostics.clear();
        t = (t + 1) % benchRows;
    }
    state.counters["passes"] = benchmark::Counter(static_cast<double>(passes), benchmark::Counter::kAvgIterations);
}

void trialExample(benchmark::State& state) { wholeTrial(state, makeBenchRun(100.0, 10000.0, 2, 0.05, 250.0)); }
void trialSmallGrid(benchmark::State& state) { wholeTrial(state, makeBenchRun(100.0, 1000.0, 1, 0.1, 150.0)); }

}  // namespace

BENCHMARK(trialExample)->Unit(benchmark::kMillisecond);
BENCHMARK(trialSmallGrid)->Unit(benchmark::kMicrosecond);
