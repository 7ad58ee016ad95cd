// Skipping draws: the jump-ahead against drawing and discarding one by one.
#include <benchmark/benchmark.h>

#include "model/random_source.h"

namespace {

constexpr long long skipCount = 1000000;

void skipByDrawing(benchmark::State& state) {
    RandomSource random;
    for (auto _ : state) {
        for (long long k = 0; k < skipCount; ++k) benchmark::DoNotOptimize(nextRaw(random));
    }
}

void skipByJumping(benchmark::State& state) {
    RandomSource random;
    for (auto _ : state) {
        skipDraws(random, skipCount);
        benchmark::DoNotOptimize(random.state);
    }
}

}  // namespace

BENCHMARK(skipByDrawing)->Unit(benchmark::kMicrosecond);
BENCHMARK(skipByJumping)->Unit(benchmark::kNanosecond);
