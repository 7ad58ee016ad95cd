#include "wavelet/sine_cache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

#include "wavelet/strategies.h"
#include "wavelet/synthesis.h"

namespace {

std::uint64_t bitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Two copies of the same wavelet rows, one synthesised the plain way and one
// from the cache, with a history each.
struct CachedCase {
    std::unique_ptr<WaveletTable> plainTable = std::make_unique<WaveletTable>();
    std::unique_ptr<WaveletTable> cachedTable = std::make_unique<WaveletTable>();
    std::unique_ptr<TimeHistory> plainHistory = std::make_unique<TimeHistory>();
    std::unique_ptr<TimeHistory> cachedHistory = std::make_unique<TimeHistory>();
    FrequencyGrid grid;
    double timeStep = 0.0;
    int sampleCount = 0;
    double zpa = 100.0;

    // The grid of a specification from `first` to `last` Hz at the spacing,
    // sampled as the run samples it.
    void setUp(double first, double last, double octaveFraction, double duration) {
        grid = FrequencyGrid{};
        for (double f = first; f <= last && grid.count < maxGridPoints; f *= std::pow(2.0, octaveFraction)) {
            grid.frequency[grid.count] = f;
            grid.level[grid.count] = f;
            ++grid.count;
        }
        timeStep = 1.0 / (12.0 * last);
        sampleCount = static_cast<int>(duration / timeStep);
    }

    void drawRow(RandomSource& random, int strategy, int k, double duration) {
        switch (strategy) {
            case 1: drawIndependentWavelets(random, *plainTable, k, grid, duration); break;
            case 2: drawCommonCountWavelets(random, *plainTable, k, grid, duration); break;
            case 3: drawChainedRandomWavelets(random, *plainTable, k, grid, duration); break;
            default: drawChainedSpecWavelets(random, *plainTable, k, grid, duration); break;
        }
        copyRow(k);
    }

    void copyRow(int k) {
        for (int j = 0; j < maxGridPoints; ++j) {
            cachedTable->amplitude[k][j] = plainTable->amplitude[k][j];
            cachedTable->nhs[k][j] = plainTable->nhs[k][j];
            cachedTable->delay[k][j] = plainTable->delay[k][j];
        }
    }

    // One synthesis each way, then the histories and amplitudes compared bit
    // for bit.
    void expectSamePass(const SineCache& cache, int k, const char* what) {
        synthesizeTrial(*plainTable, k, grid, timeStep, sampleCount, zpa, *plainHistory);
        synthesizeTrialCached(cache, *cachedTable, k, grid, zpa, *cachedHistory);
        for (int i = 0; i < sampleCount; ++i) {
            ASSERT_EQ(bitsOf(cachedHistory->sample[i]), bitsOf(plainHistory->sample[i]))
                << what << ": sample " << i << " of " << sampleCount;
        }
        for (int j = 0; j < grid.count; ++j) {
            ASSERT_EQ(bitsOf(cachedTable->amplitude[k][j]), bitsOf(plainTable->amplitude[k][j]))
                << what << ": amplitude " << j;
        }
    }

    // Passes as a trial runs them: each changes the amplitudes by its own
    // factors, the same in both tables.
    void expectSameTrial(SineCache& cache, int k, std::mt19937_64& engine, const char* what) {
        prepareSineCache(cache, *cachedTable, k, grid, timeStep, sampleCount);
        std::uniform_real_distribution<double> factor(0.3, 3.0);
        for (int pass = 0; pass < 4; ++pass) {
            expectSamePass(cache, k, what);
            if (testing::Test::HasFatalFailure()) return;
            for (int j = 0; j < grid.count; ++j) {
                const double f = factor(engine);
                plainTable->amplitude[k][j] *= f;
                cachedTable->amplitude[k][j] *= f;
            }
        }
    }
};

}  // namespace

TEST(SineCache, CachedSynthesisMatchesThePlainOneOnEveryStrategysRows) {
    struct Shape {
        double first, last, octaveFraction, duration;
    };
    // The bundled example's shape, a small grid, a fine one reaching the
    // capacity, and durations from barely 1.5 periods to long.
    const Shape shapes[] = {{100.0, 10000.0, 1.0 / 6.0, 0.05}, {100.0, 1000.0, 1.0 / 3.0, 0.1},
                            {20.0, 2000.0, 1.0 / 12.0, 0.3},   {10.0, 100.0, 1.0 / 3.0, 0.151},
                            {50.0, 5000.0, 1.0 / 6.0, 0.02},   {3.0, 3000.0, 1.0 / 12.0, 0.6}};
    CachedCase c;
    SineCache cache;
    RandomSource random;
    std::mt19937_64 engine(3);
    for (const Shape& shape : shapes) {
        c.setUp(shape.first, shape.last, shape.octaveFraction, shape.duration);
        for (int strategy = 1; strategy <= 4; ++strategy) {
            for (int repeat = 0; repeat < 3; ++repeat) {
                const int k = strategy * 10 + repeat;
                c.drawRow(random, strategy, k, shape.duration);
                c.expectSameTrial(cache, k, engine, "full budget");
                if (HasFatalFailure()) return;
            }
        }
    }
}

TEST(SineCache, WaveletsPastTheBudgetGetTheSameSinesComputedInThePass) {
    CachedCase c;
    c.setUp(100.0, 10000.0, 1.0 / 6.0, 0.05);
    RandomSource random;
    std::mt19937_64 engine(11);
    // From nothing cached, through a budget that ends inside the row, to all.
    for (std::size_t budgetBytes : {std::size_t{0}, std::size_t{16}, std::size_t{40000}, std::size_t{400000}}) {
        SineCache cache(budgetBytes);
        for (int strategy = 1; strategy <= 4; ++strategy) {
            c.drawRow(random, strategy, strategy, 0.05);
            c.expectSameTrial(cache, strategy, engine, "small budget");
            if (HasFatalFailure()) return;
        }
    }
}

TEST(SineCache, WindowEdgesLandExactlyOnTheSumsTest) {
    // Delays and lengths that put window ends exactly on sample times, and just
    // beside them: the cached windows must take the same samples as the test.
    CachedCase c;
    c.grid.count = 4;
    c.timeStep = 1.0 / 1024.0;
    c.sampleCount = 1024;
    const double frequencies[4] = {8.0, 16.0, 32.0, 512.0};
    const double delays[4] = {0.25, std::nextafter(0.25, 1.0), std::nextafter(0.5, 0.0), 0.0};
    for (int j = 0; j < 4; ++j) {
        c.grid.frequency[j] = frequencies[j];
        c.plainTable->amplitude[0][j] = j % 2 == 0 ? 1.0 : -0.75;
        c.plainTable->nhs[0][j] = 3;
        c.plainTable->delay[0][j] = delays[j];
    }
    c.copyRow(0);
    SineCache cache;
    prepareSineCache(cache, *c.cachedTable, 0, c.grid, c.timeStep, c.sampleCount);
    // 8 Hz from 0.25 s: three half-cycles end at 0.4375 s = sample 448, active.
    EXPECT_EQ(cache.windowBegin[0], 256);
    EXPECT_EQ(cache.windowEnd[0], 449);
    EXPECT_EQ(cache.windowBegin[1], 257);  // a delay just after a sample time
    EXPECT_EQ(activeSampleCount(*c.cachedTable, 0, c.grid, c.timeStep, c.sampleCount),
              (cache.windowEnd[0] - cache.windowBegin[0]) + (cache.windowEnd[1] - cache.windowBegin[1]) +
                  (cache.windowEnd[2] - cache.windowBegin[2]) + (cache.windowEnd[3] - cache.windowBegin[3]));
    c.expectSamePass(cache, 0, "edges");
}

TEST(SineCache, DegenerateTimeStepsFallBackToTheSumsTest) {
    // A time step that is not a finite non-negative number leaves the sample
    // times out of order or not numbers; the windows then span every sample
    // and each sample is tested.
    CachedCase c;
    c.setUp(100.0, 1000.0, 1.0 / 3.0, 0.05);
    RandomSource random;
    c.drawRow(random, 1, 0, 0.05);
    for (double timeStep : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                            -1.0 / 12000.0, 0.0, 1e306}) {
        c.timeStep = timeStep;
        SineCache cache;
        prepareSineCache(cache, *c.cachedTable, 0, c.grid, c.timeStep, c.sampleCount);
        c.expectSamePass(cache, 0, "degenerate time step");
        if (HasFatalFailure()) return;
    }
}

TEST(SineCache, EarlierOfTwoEqualMagnitudePeaksSetsTheScale) {
    // Two copies of one wavelet half a second apart with opposite amplitudes:
    // on a dyadic time step their samples are exact negatives of each other,
    // so the history's largest magnitude comes twice with opposite signs.
    for (double firstAmplitude : {1.0, -1.0}) {
        CachedCase c;
        c.grid.count = 2;
        c.timeStep = 1.0 / 1024.0;
        c.sampleCount = 1024;
        c.zpa = 10.0;
        for (int j = 0; j < 2; ++j) {
            c.grid.frequency[j] = 10.0;
            c.plainTable->nhs[0][j] = 3;
            c.plainTable->delay[0][j] = 0.5 * j;
            c.plainTable->amplitude[0][j] = j == 0 ? firstAmplitude : -firstAmplitude;
        }
        c.copyRow(0);
        SineCache cache;
        prepareSineCache(cache, *c.cachedTable, 0, c.grid, c.timeStep, c.sampleCount);
        c.expectSamePass(cache, 0, "tied peaks");
        // A three-half-cycle wavelet's extreme is -A, mid-window. The earlier
        // one's becomes +zpa, so its amplitude ends negative whatever its sign
        // was; had the later extreme set the scale, the signs would be swapped.
        EXPECT_LT(c.cachedTable->amplitude[0][0], 0.0) << firstAmplitude;
        EXPECT_GT(c.cachedTable->amplitude[0][1], 0.0) << firstAmplitude;
    }
}

TEST(SineCache, ABudgetThatHoldsEveryWindowCachesWindowsSpanningTheRecord) {
    // Ten wavelets that start within the first line and outlast the record:
    // each window is nearly the whole record, and each starts at its own
    // offset within a line, so the placement pads between them.
    CachedCase c;
    c.setUp(100.0, 1000.0, 1.0 / 3.0, 0.1);
    ASSERT_EQ(c.grid.count, 10);
    for (int j = 0; j < c.grid.count; ++j) {
        c.cachedTable->nhs[0][j] = 100001;
        c.cachedTable->delay[0][j] = 0.9 * j * c.timeStep;
        c.cachedTable->amplitude[0][j] = 1.0;
    }
    const std::size_t fits = 2 * sizeof(double) * static_cast<std::size_t>(c.grid.count) *
                              static_cast<std::size_t>(c.sampleCount + lineSamples);
    EXPECT_TRUE(sineCacheHoldsEveryWindow(fits, c.grid.count, c.sampleCount));
    EXPECT_FALSE(sineCacheHoldsEveryWindow(fits - 2 * sizeof(double), c.grid.count, c.sampleCount));
    SineCache cache(fits);
    prepareSineCache(cache, *c.cachedTable, 0, c.grid, c.timeStep, c.sampleCount);
    for (int j = 0; j < c.grid.count; ++j) EXPECT_GE(cache.offset[j], 0) << "wavelet " << j;
}
