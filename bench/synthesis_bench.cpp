// One synthesis pass of a trial: the sine cache against the plain loop of
// wavelet sums, in time per sample and wavelet; and std::sin itself, whose
// two calls per active wavelet sample are what the cache saves.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench_setup.h"
#include "run/trial.h"
#include "wavelet/sine_cache.h"
#include "wavelet/synthesis.h"
#include "wavelet/wavelet_terms.h"

namespace {

constexpr int benchRows = 12;

// The bundled example's shape: 40 points from 100 Hz to 10 kHz, 0.05 s.
struct ExampleRows {
    std::unique_ptr<RunState> state = makeBenchRun(100.0, 10000.0, 2, 0.05, 250.0);
    ExampleRows() {
        for (int t = 0; t < benchRows; ++t) drawTrial(*state, t);
    }
};

void reportPerSampleAndWavelet(benchmark::State& state, const RunState& run) {
    const double perPass = static_cast<double>(run.sampling.sampleCount) * run.grid.count;
    state.counters["per_sample_wavelet"] =
        benchmark::Counter(perPass, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Straight from the definition: every sample is the wavelet sum at its time,
// then the peak and the scaling to the ZPA.
void plainPass(RunState& run, int k) {
    const RunSampling& p = run.sampling;
    const double zpa = run.answers.zpa;
    double* sample = run.workspace.history.sample;
    double peak = 0.0;
    for (int i = 0; i < p.sampleCount; ++i) {
        sample[i] = waveletSum(run.wavelets, k, run.grid, static_cast<double>(i) * p.timeStep);
        if (std::fabs(sample[i]) > std::fabs(peak)) peak = sample[i];
    }
    if (peak == 0.0) return;
    const double scale = zpa / peak;
    for (int i = 0; i < p.sampleCount; ++i) sample[i] *= scale;
    for (int j = 0; j < run.grid.count; ++j) run.wavelets.amplitude[k][j] *= scale;
}

void synthesisPlain(benchmark::State& state) {
    ExampleRows rows;
    RunState& run = *rows.state;
    int k = 0;
    for (auto _ : state) {
        plainPass(run, k);
        benchmark::DoNotOptimize(run.workspace.history.sample[0]);
        k = (k + 1) % benchRows;
    }
    reportPerSampleAndWavelet(state, run);
}

void synthesisCached(benchmark::State& state) {
    ExampleRows rows;
    RunState& run = *rows.state;
    const RunSampling& p = run.sampling;
    // One cache per row, as each trial prepares its own.
    std::vector<std::unique_ptr<SineCache>> caches;
    for (int k = 0; k < benchRows; ++k) {
        caches.push_back(std::make_unique<SineCache>());
        prepareSineCache(*caches.back(), run.wavelets, k, run.grid, p.timeStep, p.sampleCount);
    }
    int k = 0;
    for (auto _ : state) {
        synthesizeTrialCached(*caches[static_cast<std::size_t>(k)], run.wavelets, k, run.grid, run.answers.zpa,
                              run.workspace.history);
        benchmark::DoNotOptimize(run.workspace.history.sample[0]);
        k = (k + 1) % benchRows;
    }
    reportPerSampleAndWavelet(state, run);
}

// std::sin over the envelope and carrier arguments of the example's rows.
void sine(benchmark::State& state) {
    ExampleRows rows;
    const RunState& run = *rows.state;
    const RunSampling& p = run.sampling;
    std::vector<double> arguments;
    for (int k = 0; k < 2; ++k) {
        for (int j = 0; j < run.grid.count; ++j) {
            const double omega = angularFrequency(run.grid.frequency[j]);
            const double halfSines = run.wavelets.nhs[k][j];
            const double delay = run.wavelets.delay[k][j];
            const double length = windowLength(run.wavelets.nhs[k][j], run.grid.frequency[j]);
            for (int i = 0; i < p.sampleCount; ++i) {
                const double t = sampleTime(i, p.timeStep);
                if (waveletActive(delay, length, t)) {
                    arguments.push_back((omega * (t - delay)) / halfSines);
                    arguments.push_back(omega * (t - delay));
                }
            }
        }
    }
    for (auto _ : state) {
        double sum = 0.0;
        for (double x : arguments) sum += std::sin(x);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["per_sine"] = benchmark::Counter(static_cast<double>(arguments.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(synthesisPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(synthesisCached)->Unit(benchmark::kMicrosecond);
BENCHMARK(sine)->Unit(benchmark::kMicrosecond);
