#include "wavelet/strategies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t lcgMultiplier = 214013u;
constexpr std::uint32_t lcgIncrement = 2531011u;

std::uint32_t inverseMultiplier() {
    std::uint32_t inverse = lcgMultiplier;  // Newton's iteration for the inverse mod 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2u - lcgMultiplier * inverse;
    return inverse;
}

// A source whose draw number `position` (0 = the next one) returns `raw`.
RandomSource sourceDrawingAt(int position, int raw) {
    std::uint32_t state = static_cast<std::uint32_t>(raw) << 16;
    const std::uint32_t inverse = inverseMultiplier();
    for (int i = 0; i <= position; ++i) state = (state - lcgIncrement) * inverse;
    return RandomSource{state};
}

// The raw values the source will deliver next, read from a copy.
std::vector<int> upcomingRaws(RandomSource source, int count) {
    std::vector<int> raws(count);
    for (int& raw : raws) raw = nextRaw(source);
    return raws;
}

RandomSource advancedBy(RandomSource source, int draws) {
    for (int i = 0; i < draws; ++i) nextRaw(source);
    return source;
}

FrequencyGrid gridOf(std::initializer_list<double> frequencies) {
    FrequencyGrid grid;
    for (double f : frequencies) {
        grid.frequency[grid.count] = f;
        grid.level[grid.count] = 0.5 + 0.1 * grid.count;
        ++grid.count;
    }
    return grid;
}

double deviate(int raw) { return static_cast<double>(raw) / 32767.0; }

int oddFrom(double scaled, int floor) {
    const int count = 2 * static_cast<int>(scaled) - 1;
    return count < floor ? floor : count;
}

// The fitted count is the drawn one lowered in steps of 2 to the largest that
// ends by the duration.
void expectFitted(const WaveletTable& table, int k, int j, const FrequencyGrid& grid,
                  double duration, int drawn) {
    const int n = table.nhs[k][j];
    const double d = table.delay[k][j];
    const double f = grid.frequency[j];
    EXPECT_LE(n, drawn) << "wavelet " << j;
    EXPECT_EQ((drawn - n) % 2, 0) << "wavelet " << j;
    EXPECT_LE(d + n / (2.0 * f), duration) << "wavelet " << j;
    if (n < drawn) {
        EXPECT_GT(d + (n + 2) / (2.0 * f), duration) << "wavelet " << j;
    }
}

struct StrategyCase {
    std::unique_ptr<WaveletTable> table = std::make_unique<WaveletTable>();
    FrequencyGrid grid = gridOf({5.0, 10.0, 20.0, 40.0, 80.0, 160.0});
};

}  // namespace

TEST(StrategyBuildingBlocks, OddCountFromOneDeviate) {
    RandomSource top = sourceDrawingAt(0, 32767);
    EXPECT_EQ(drawOddCount(top, 111, 15), 221);
    top = sourceDrawingAt(0, 32767);
    EXPECT_EQ(drawOddCount(top, 65, 5), 129);
    EXPECT_EQ(top.state, advancedBy(sourceDrawingAt(0, 32767), 1).state);

    RandomSource low = sourceDrawingAt(0, 0);
    EXPECT_EQ(drawOddCount(low, 111, 15), 15);
    low = sourceDrawingAt(0, 2361);  // 111 x 2361/32767 = 7.998: n = 7, count 13, below 15
    EXPECT_EQ(drawOddCount(low, 111, 15), 15);
    low = sourceDrawingAt(0, 2362);  // n = 8, count 15
    EXPECT_EQ(drawOddCount(low, 111, 5), 15);
    low = sourceDrawingAt(0, 1000);  // n = 3
    EXPECT_EQ(drawOddCount(low, 111, 5), 5);
}

TEST(StrategyBuildingBlocks, FreeDelaySpansZeroToTheLatestStart) {
    const FrequencyGrid grid = gridOf({8.0, 20.0});
    RandomSource source = sourceDrawingAt(0, 0);
    EXPECT_EQ(drawFreeDelay(source, grid, 1, 2.0), 0.0);
    source = sourceDrawingAt(0, 32767);
    EXPECT_EQ(drawFreeDelay(source, grid, 1, 2.0), 2.0 - 1.5 / 20.0);
    source = sourceDrawingAt(0, 12345);
    EXPECT_EQ(drawFreeDelay(source, grid, 0, 2.0), deviate(12345) * (2.0 - 1.5 / 8.0));
}

TEST(StrategyBuildingBlocks, FittingLowersCountsUntilTheWaveletEndsByTheDuration) {
    StrategyCase c;
    const FrequencyGrid grid = gridOf({8.0, 8.0, 8.0});
    c.table->nhs[0][0] = 9;  // 0.25 + 9/16 > 0.5: fits at 3, which ends exactly at 0.4375
    c.table->delay[0][0] = 0.25;
    c.table->nhs[0][1] = 7;  // 0.0625 + 7/16 = 0.5 ends exactly at the duration: fits
    c.table->delay[0][1] = 0.0625;
    c.table->nhs[0][2] = 5;
    c.table->delay[0][2] = 0.4;  // 0.4 + 1/16 = 0.4625: down to one half-sine
    fitHalfSineCounts(*c.table, 0, grid, 0.5);
    EXPECT_EQ(c.table->nhs[0][0], 3);
    EXPECT_EQ(c.table->nhs[0][1], 7);
    EXPECT_EQ(c.table->nhs[0][2], 1);
}

TEST(IndependentWavelets, FourDrawsPerWaveletInOrder) {
    for (std::uint32_t seed : {1u, 77u, 4242u, 900001u}) {
        StrategyCase c;
        const double duration = 0.8;
        RandomSource source{seed};
        const std::vector<int> raws = upcomingRaws(source, 4 * c.grid.count);
        drawIndependentWavelets(source, *c.table, 3, c.grid, duration);
        EXPECT_EQ(source.state, advancedBy(RandomSource{seed}, 4 * c.grid.count).state);
        for (int j = 0; j < c.grid.count; ++j) {
            const int* r = &raws[4 * j];
            const double sign = deviate(r[1]) < 0.5 ? -1.0 : 1.0;
            EXPECT_EQ(c.table->amplitude[3][j], sign * deviate(r[0]));
            EXPECT_EQ(c.table->delay[3][j],
                      deviate(r[2]) * (duration - 1.5 / c.grid.frequency[j]));
            expectFitted(*c.table, 3, j, c.grid, duration, oddFrom(r[3] * 60 / 32767.0, 3));
        }
    }
}

TEST(IndependentWavelets, SignAndCountEdges) {
    const FrequencyGrid grid = gridOf({10.0});
    const double duration = 1000.0;  // long enough that fitting leaves any count alone
    auto table = std::make_unique<WaveletTable>();

    RandomSource source = sourceDrawingAt(1, 16383);
    drawIndependentWavelets(source, *table, 0, grid, duration);
    EXPECT_LT(table->amplitude[0][0], 0.0);
    source = sourceDrawingAt(1, 16384);
    drawIndependentWavelets(source, *table, 0, grid, duration);
    EXPECT_GE(table->amplitude[0][0], 0.0);

    source = sourceDrawingAt(3, 32767);
    drawIndependentWavelets(source, *table, 0, grid, duration);
    ASSERT_LT(table->delay[0][0] + 119 / 20.0, duration);
    EXPECT_EQ(table->nhs[0][0], 119);
    source = sourceDrawingAt(3, 0);
    drawIndependentWavelets(source, *table, 0, grid, duration);
    EXPECT_EQ(table->nhs[0][0], 3);
}

TEST(IndependentWavelets, ShortestDurationStartsAtZeroWithThreeHalfSines) {
    const FrequencyGrid grid = gridOf({8.0});
    auto table = std::make_unique<WaveletTable>();
    for (std::uint32_t seed : {1u, 5u, 99u}) {
        RandomSource source{seed};
        drawIndependentWavelets(source, *table, 0, grid, 1.5 / 8.0);
        EXPECT_EQ(table->delay[0][0], 0.0);
        EXPECT_EQ(table->nhs[0][0], 3);
    }
}

TEST(CommonCountWavelets, OneCountThenThreeDrawsPerWavelet) {
    for (std::uint32_t seed : {1u, 31337u, 0xCAFEu}) {
        StrategyCase c;
        const double duration = 0.9;
        RandomSource source{seed};
        const int draws = 1 + 3 * c.grid.count;
        const std::vector<int> raws = upcomingRaws(source, draws);
        drawCommonCountWavelets(source, *c.table, 5, c.grid, duration);
        EXPECT_EQ(source.state, advancedBy(RandomSource{seed}, draws).state);
        const int count = oddFrom(111.0 * deviate(raws[0]), 15);
        for (int j = 0; j < c.grid.count; ++j) {
            const int* r = &raws[1 + 3 * j];
            const double sign = deviate(r[1]) < 0.5 ? -1.0 : 1.0;
            EXPECT_EQ(c.table->amplitude[5][j], sign * deviate(r[0]));
            EXPECT_EQ(c.table->delay[5][j],
                      deviate(r[2]) * (duration - 1.5 / c.grid.frequency[j]));
            expectFitted(*c.table, 5, j, c.grid, duration, count);
        }
    }
}

namespace {

// Replays the chained placement from the highest frequency down, reading
// deviates from `raws` at `next`; returns the delays before fitting.
std::vector<double> replayChain(const FrequencyGrid& grid, const std::vector<int>& raws,
                                std::size_t& next, double spacing, double duration,
                                std::vector<double>* amplitudes) {
    std::vector<double> delay(grid.count + 1, 0.0);
    for (int j = grid.count - 1; j >= 0; --j) {
        const double f = grid.frequency[j];
        if (amplitudes) (*amplitudes)[j] = deviate(raws[next++]);
        delay[j] = delay[j + 1] + spacing / f;
        if (delay[j] + 3.0 / (2.0 * f) > duration)
            delay[j] = deviate(raws[next++]) * (duration - 1.5 / f);
    }
    return delay;
}

}  // namespace

TEST(ChainedRandomWavelets, DrawOrderAndAdjustments) {
    int misfits = 0, pulled = 0, inverted = 0;
    for (std::uint32_t seed = 1; seed <= 120; ++seed) {
        StrategyCase c;
        const double duration = 0.45;
        RandomSource source{seed * 7919u};
        const std::vector<int> raws = upcomingRaws(source, 64);
        drawChainedRandomWavelets(source, *c.table, 1, c.grid, duration);

        std::size_t next = 0;
        const double spacingDeviate = deviate(raws[next++]);
        const int count = oddFrom(65.0 * deviate(raws[next++]), 5);
        std::vector<double> amplitude(c.grid.count);
        std::vector<double> delay =
            replayChain(c.grid, raws, next, spacingDeviate * 1.2, duration, &amplitude);
        misfits += static_cast<int>(next) - 2 - c.grid.count;
        delay[c.grid.count - 1] = 0.0;
        if (deviate(raws[next++]) < 0.85) {
            delay[0] = 0.0;
            ++pulled;
        }
        if (deviate(raws[next++]) < 0.85) delay[1] = deviate(raws[next++]) * delay[1];
        if (deviate(raws[next++]) < 0.25) {
            delay[0] = delay[1] = 0.0;
            amplitude[0] = -amplitude[0];
            ++inverted;
        }
        EXPECT_EQ(source.state, advancedBy(RandomSource{seed * 7919u}, next).state);
        for (int j = 0; j < c.grid.count; ++j) {
            EXPECT_EQ(c.table->amplitude[1][j], amplitude[j]) << "seed " << seed << " j " << j;
            EXPECT_EQ(c.table->delay[1][j], delay[j]) << "seed " << seed << " j " << j;
            expectFitted(*c.table, 1, j, c.grid, duration, count);
        }
    }
    // The seeds exercise every branch.
    EXPECT_GT(misfits, 0);
    EXPECT_GT(pulled, 0);
    EXPECT_GT(inverted, 0);
}

TEST(ChainedRandomWavelets, TopWaveletAtZeroAndTheNextChainedFromItsProvisionalDelay) {
    const FrequencyGrid grid = gridOf({5.0, 10.0, 20.0, 40.0});
    auto table = std::make_unique<WaveletTable>();
    RandomSource source = sourceDrawingAt(0, 20000);
    drawChainedRandomWavelets(source, *table, 0, grid, 10.0);
    const double u = deviate(20000);
    EXPECT_EQ(table->delay[0][3], 0.0);
    EXPECT_NEAR(table->delay[0][2], 1.2 * u * (1.0 / 40.0 + 1.0 / 20.0), 1e-15);
}

TEST(ChainedRandomWavelets, PullToStartThresholdAtEightyFivePercent) {
    const FrequencyGrid grid = gridOf({5.0, 10.0, 20.0, 40.0});
    auto table = std::make_unique<WaveletTable>();
    // With a long duration everything fits: the step-5 draw is number 2 + nf.
    RandomSource source = sourceDrawingAt(6, 27851);
    drawChainedRandomWavelets(source, *table, 0, grid, 10.0);
    EXPECT_EQ(table->delay[0][0], 0.0);
    source = sourceDrawingAt(6, 27852);
    const std::vector<int> raws = upcomingRaws(source, 10);
    drawChainedRandomWavelets(source, *table, 0, grid, 10.0);
    const int step7 = deviate(raws[7]) < 0.85 ? 9 : 8;
    if (deviate(raws[step7]) >= 0.25) {
        EXPECT_GT(table->delay[0][0], 0.0);
    }
}

TEST(ChainedRandomWavelets, SingleGridPointStillDrawsTheAdjustments) {
    const FrequencyGrid grid = gridOf({10.0});
    for (std::uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        auto table = std::make_unique<WaveletTable>();
        RandomSource source{seed * 1000003u};
        const std::vector<int> raws = upcomingRaws(source, 16);
        drawChainedRandomWavelets(source, *table, 0, grid, 10.0);
        const bool scaled = deviate(raws[4]) < 0.85;
        const int draws = 6 + (scaled ? 1 : 0);
        EXPECT_EQ(source.state, advancedBy(RandomSource{seed * 1000003u}, draws).state);
        const bool invert = deviate(raws[draws - 1]) < 0.25;
        EXPECT_EQ(table->amplitude[0][0], (invert ? -1.0 : 1.0) * deviate(raws[2]));
        EXPECT_EQ(table->delay[0][0], 0.0);
        EXPECT_EQ(table->delay[0][1], 0.0);  // past the grid: left alone
    }
}

TEST(ChainedSpecWavelets, SpecAmplitudesAndTwoDrawsPlusOnePerMisfit) {
    int misfits = 0;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        StrategyCase c;
        const double duration = 0.32;
        RandomSource source{seed * 104729u};
        const std::vector<int> raws = upcomingRaws(source, 32);
        drawChainedSpecWavelets(source, *c.table, 2, c.grid, duration);

        std::size_t next = 0;
        const double spacing = deviate(raws[next++]);
        const int count = oddFrom(111.0 * deviate(raws[next++]), 5);
        // The top wavelet starts at 0 without a fit check; the chain goes on from there.
        std::vector<double> delay(c.grid.count, 0.0);
        for (int j = c.grid.count - 2; j >= 0; --j) {
            const double f = c.grid.frequency[j];
            delay[j] = delay[j + 1] + spacing / f;
            if (delay[j] + 3.0 / (2.0 * f) > duration) {
                delay[j] = deviate(raws[next++]) * (duration - 1.5 / f);
                ++misfits;
            }
        }
        EXPECT_EQ(source.state, advancedBy(RandomSource{seed * 104729u}, next).state);
        for (int j = 0; j < c.grid.count; ++j) {
            EXPECT_EQ(c.table->amplitude[2][j], c.grid.level[j] / 16.0);
            EXPECT_EQ(c.table->delay[2][j], delay[j]) << "seed " << seed << " j " << j;
            expectFitted(*c.table, 2, j, c.grid, duration, count);
        }
        EXPECT_EQ(c.table->delay[2][4], spacing / c.grid.frequency[4]);
    }
    EXPECT_GT(misfits, 0);
}

TEST(Strategies, EveryWaveletEndsInsideTheDurationWithAnOddCount) {
    StrategyCase c;
    RandomSource source;
    for (double duration : {0.3, 0.31, 0.5, 1.0, 2.0}) {
        for (int trial = 0; trial < 400; ++trial) {
            const int k = trial % maxTrials;
            switch (trial % 4) {
                case 0: drawIndependentWavelets(source, *c.table, k, c.grid, duration); break;
                case 1: drawCommonCountWavelets(source, *c.table, k, c.grid, duration); break;
                case 2: drawChainedRandomWavelets(source, *c.table, k, c.grid, duration); break;
                case 3: drawChainedSpecWavelets(source, *c.table, k, c.grid, duration); break;
            }
            for (int j = 0; j < c.grid.count; ++j) {
                const int n = c.table->nhs[k][j];
                const double d = c.table->delay[k][j];
                ASSERT_EQ(n % 2, 1) << trial << " " << j;
                ASSERT_GE(n, 3) << trial << " " << j;
                ASSERT_GE(d, 0.0);
                ASSERT_LE(d + n / (2.0 * c.grid.frequency[j]), duration) << trial << " " << j;
            }
            if (trial % 4 >= 2) {
                ASSERT_EQ(c.table->delay[k][c.grid.count - 1], 0.0);
            }
        }
    }
}
