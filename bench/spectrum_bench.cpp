// Response spectrum: the filter-bank kernels against the plain sample-major
// loop, in time per filter step (one sample at one grid point).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_setup.h"
#include "srs/pair_kernel.h"
#include "srs/spectrum_kernel.h"

namespace {

constexpr int benchSamples = 6000;  // 0.05 s at 120000 samples per second
constexpr int benchRunOn = 1440;    // 1.2 periods of 100 Hz

void reportPerStep(benchmark::State& state, int count) {
    const double steps = static_cast<double>(benchSamples + benchRunOn) * count;
    state.counters["per_step"] =
        benchmark::Counter(steps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The grid of the benchmark's first argument, its bank and a history.
struct SpectrumInput {
    explicit SpectrumInput(const benchmark::State& state)
        : count(static_cast<int>(state.range(0))), history(makeBenchHistory(benchSamples)) {
        makeBenchGrid(count, grid, bank);
    }
    int count;
    FrequencyGrid grid;
    SrsFilterBank bank;
    std::vector<double> history;
};

void spectrumKernel(benchmark::State& state, FilterKernel kernel) {
    if (!filterKernelSupported(kernel)) {
        state.SkipWithError("kernel not supported on this processor");
        return;
    }
    const SpectrumInput input(state);
    const int count = input.count;
    const SrsFilterBank& bank = input.bank;
    const std::vector<double>& history = input.history;
    double positive[maxGridPoints], negative[maxGridPoints];
    for (auto _ : state) {
        filterPeaks(kernel, history.data(), benchSamples, benchRunOn, bank, count, positive, negative);
        benchmark::DoNotOptimize(positive);
        benchmark::DoNotOptimize(negative);
    }
    reportPerStep(state, count);
}

// The recurrence straight from its definition, sample by sample over all
// grid points: the baseline of the others.
void spectrumPlain(benchmark::State& state) { spectrumKernel(state, FilterKernel::plain); }
void spectrumFast(benchmark::State& state) {
    spectrumKernel(state, fastestFilterKernel(static_cast<int>(state.range(0))));
}
void spectrumSse2(benchmark::State& state) { spectrumKernel(state, FilterKernel::sse2); }
void spectrumAvx2(benchmark::State& state) { spectrumKernel(state, FilterKernel::avx2); }
void spectrumAvx512(benchmark::State& state) { spectrumKernel(state, FilterKernel::avx512); }

// Two histories swept together, per filter step of either history.
void spectrumPair(benchmark::State& state) {
    const SpectrumInput input(state);
    const int count = input.count;
    const SrsFilterBank& bank = input.bank;
    const std::vector<double>& history = input.history;
    const double* const histories[2] = {history.data(), history.data()};
    double positive[2][maxGridPoints], negative[2][maxGridPoints];
    double* const positiveRows[2] = {positive[0], positive[1]};
    double* const negativeRows[2] = {negative[0], negative[1]};
    for (auto _ : state) {
        filterPeaksPair(histories, benchSamples, benchRunOn, bank, count, positiveRows, negativeRows);
        benchmark::DoNotOptimize(positive);
        benchmark::DoNotOptimize(negative);
    }
    reportPerStep(state, 2 * count);
}

}  // namespace

BENCHMARK(spectrumPair)->Arg(8)->Arg(10)->Arg(12)->Arg(16)->Arg(20)->Arg(24);
BENCHMARK(spectrumPlain)->Arg(10)->Arg(40)->Arg(200);
BENCHMARK(spectrumFast)->Arg(10)->Arg(40)->Arg(200);
BENCHMARK(spectrumSse2)->Arg(10)->Arg(40);
BENCHMARK(spectrumAvx2)->Arg(10)->Arg(12)->Arg(16)->Arg(40);
BENCHMARK(spectrumAvx512)->Arg(10)->Arg(12)->Arg(16)->Arg(40);
