// The report's independent SRS: the bundled example's size (6000 samples at
// 120000 samples per second, 1/12 octave over 100 Hz to 10 kHz) and the
// longest record the program writes (150000 samples, 1/24 octave), each with
// upsampling to 50 points per cycle and with the plain filter at the record's
// rate (0 points per cycle), and the upsampling of the long record alone;
// then a million samples at 1 MHz, as kolvane.srs is benchmarked.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench_setup.h"
#include "analysis/band_limited_upsampler.h"
#include "analysis/independent_srs.h"

namespace {

constexpr double benchTimeStep = 1.0 / 120000.0;

// 100 Hz to 10 kHz at `perOctave` points per octave.
std::vector<double> analysisGrid(int perOctave) {
    std::vector<double> frequencies;
    for (int i = 0; i <= 6.644 * perOctave; ++i) frequencies.push_back(100.0 * std::pow(2.0, double(i) / perOctave));
    return frequencies;
}

// Arguments: samples, points per octave, minimum points per cycle.
void independentSrs(benchmark::State& state) {
    const std::vector<double> history = makeBenchHistory(static_cast<int>(state.range(0)));
    const std::vector<double> frequencies = analysisGrid(static_cast<int>(state.range(1)));
    IndependentSrsSettings settings;
    settings.tailSeconds = 1.2 / frequencies.front();
    settings.minPointsPerCycle = static_cast<double>(state.range(2));
    for (auto _ : state) {
        IndependentSrs srs = computeIndependentSrs(history, benchTimeStep, frequencies, settings);
        benchmark::DoNotOptimize(srs);
    }
    state.counters["frequencies"] = static_cast<double>(frequencies.size());
}

// Transform of the long record with its tail, and its interpolation at five
// times the rate (what 10 kHz needs).
void upsampleLongRecord(benchmark::State& state) {
    const std::vector<double> history = makeBenchHistory(150000);
    std::vector<double> padded(fastTransformLength(150000 + 1800), 0.0);
    std::copy(history.begin(), history.end(), padded.begin());
    for (auto _ : state) {
        const FftwArray upsampled = upsampleRecord(transformPaddedRecord(padded.data(), padded.size()), 5);
        benchmark::DoNotOptimize(upsampled.get());
    }
}

// What kolvane.srs is asked in Python: a million samples at 1 MHz, 121
// frequencies at 1/12 octave from 100 Hz, at the given points per cycle (24,
// the default; 50, the earlier one). Wall time: the filters share the cores.
void millionSamplesAtOneMegahertz(benchmark::State& state) {
    const std::vector<double> history = makeBenchHistory(1000000);
    std::vector<double> frequencies;
    for (int i = 0; i <= 120; ++i) frequencies.push_back(100.0 * std::pow(2.0, i / 12.0));
    IndependentSrsSettings settings;
    settings.minPointsPerCycle = static_cast<double>(state.range(0));
    for (auto _ : state) {
        IndependentSrs srs = computeIndependentSrs(history, 1e-6, frequencies, settings);
        benchmark::DoNotOptimize(srs);
    }
}

}  // namespace

BENCHMARK(millionSamplesAtOneMegahertz)->Arg(24)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(independentSrs)->Args({6000, 12, 50})->Args({6000, 12, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(independentSrs)->Args({150000, 24, 50})->Args({150000, 24, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(upsampleLongRecord)->Unit(benchmark::kMillisecond);
