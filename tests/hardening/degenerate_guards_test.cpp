// The bounds that keep a degenerate specification from looping for ever, and
// that a sound one never reaches.
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "srs/response_spectrum.h"
#include "wavelet/strategies.h"

namespace {

FrequencyGrid gridOf(double first, double second) {
    FrequencyGrid grid;
    grid.count = 2;
    grid.frequency[0] = first;
    grid.frequency[1] = second;
    return grid;
}

}  // namespace

TEST(DegenerateGuards, HalfSineCountStopsAtOneWhenNoCountFits) {
    const auto table = std::make_unique<WaveletTable>();
    // At -1.26 Hz with a duration of -1.4 s, three half-cycles from -0.1 s end
    // after the duration, and a shorter wavelet ends later still: no odd count
    // fits.
    const FrequencyGrid grid = gridOf(-1.0, -1.26);
    table->delay[0][1] = -0.1;
    table->nhs[0][1] = 3;
    fitHalfSineCounts(*table, 0, grid, -1.4);
    EXPECT_EQ(table->nhs[0][1], 1);

    // A sound wavelet with room for three half-cycles is fitted as before.
    const FrequencyGrid sound = gridOf(10.0, 20.0);
    table->delay[0][0] = 0.5 - 1.5 / 10.0;
    table->nhs[0][0] = 119;
    table->delay[0][1] = 0.0;
    table->nhs[0][1] = 15;
    fitHalfSineCounts(*table, 0, sound, 0.5);
    EXPECT_EQ(table->nhs[0][0], 3);
    EXPECT_EQ(table->nhs[0][1], 15);
}

TEST(DegenerateGuards, StrategiesOnANegativeGridAndDurationKeepOddPositiveCounts) {
    const auto table = std::make_unique<WaveletTable>();
    FrequencyGrid grid;
    grid.count = maxGridPoints;
    for (int j = 0; j < grid.count; ++j) grid.frequency[j] = -std::pow(2.0, j / 3.0);
    RandomSource random;
    for (int k = 0; k < 40; k += 4) {
        drawIndependentWavelets(random, *table, k, grid, -1.4);
        drawCommonCountWavelets(random, *table, k + 1, grid, -1.4);
        drawChainedRandomWavelets(random, *table, k + 2, grid, -1.4);
        drawChainedSpecWavelets(random, *table, k + 3, grid, -1.4);
    }
    for (int k = 0; k < 40; ++k) {
        for (int j = 0; j < grid.count; ++j) {
            EXPECT_GE(table->nhs[k][j], 1);
            EXPECT_EQ(table->nhs[k][j] % 2, 1);
        }
    }
}

TEST(DegenerateGuards, RunOnBeyondTheSampleStoreRunsOnNothing) {
    // Negative lowest frequency and time step: 1.2 / (1/120 x 1e-6) is 144
    // million samples.
    EXPECT_EQ(runOnSampleCount(gridOf(-1e-6, -1e-6), -1.0 / 120.0), 0);
    EXPECT_EQ(runOnSampleCount(gridOf(NAN, 1.0), 0.001), 0);
    EXPECT_EQ(runOnSampleCount(gridOf(10.0, 20.0), 0.0), 0);
    // Up to the store's size the run-on is the truncated quotient: the longest
    // a sound run has is 0.8 of its record.
    EXPECT_EQ(runOnSampleCount(gridOf(1.0, 2.0), 1.2 / 600000.5), 600000);
    EXPECT_EQ(runOnSampleCount(gridOf(1.0, 2.0), 1.2 / (sampleCapacity - 0.5)), sampleCapacity - 1);
    EXPECT_EQ(runOnSampleCount(gridOf(1.0, 2.0), 1.2 / (sampleCapacity + 0.5)), 0);
}
