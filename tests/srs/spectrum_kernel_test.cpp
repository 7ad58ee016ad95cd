#include "srs/spectrum_kernel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "srs/pair_kernel.h"
#include "srs/response_spectrum.h"

namespace {

const FilterKernel vectorKernels[] = {FilterKernel::sse2, FilterKernel::avx2, FilterKernel::avx512};

const char* kernelName(FilterKernel kernel) {
    switch (kernel) {
        case FilterKernel::sse2: return "sse2";
        case FilterKernel::avx2: return "avx2";
        case FilterKernel::avx512: return "avx512";
        default: return "plain";
    }
}

std::uint64_t bitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct Peaks {
    double positive[maxGridPoints];
    double negative[maxGridPoints];
};

// Runs every vector kernel this processor has against the plain loop and
// expects the same bits at every grid point.
void expectKernelsMatchPlain(const std::vector<double>& history, int runOn, const SrsFilterBank& bank, int count,
                             const char* what) {
    Peaks plain;
    filterPeaks(FilterKernel::plain, history.data(), static_cast<int>(history.size()), runOn, bank, count,
                plain.positive, plain.negative);
    for (FilterKernel kernel : vectorKernels) {
        if (!filterKernelSupported(kernel)) continue;
        Peaks fast;
        filterPeaks(kernel, history.data(), static_cast<int>(history.size()), runOn, bank, count, fast.positive,
                    fast.negative);
        for (int j = 0; j < count; ++j) {
            ASSERT_EQ(bitsOf(fast.positive[j]), bitsOf(plain.positive[j]))
                << what << ", " << kernelName(kernel) << ", point " << j << " of " << count;
            ASSERT_EQ(bitsOf(fast.negative[j]), bitsOf(plain.negative[j]))
                << what << ", " << kernelName(kernel) << ", point " << j << " of " << count;
        }
    }
}

// A bank from random frequencies and damping at a random time step, the way
// the run computes it.
SrsFilterBank randomBank(std::mt19937_64& engine, int count) {
    FrequencyGrid grid;
    grid.count = count;
    std::uniform_real_distribution<double> logFrequency(0.0, 4.5);
    for (int j = 0; j < count; ++j) grid.frequency[j] = std::pow(10.0, logFrequency(engine));
    std::uniform_real_distribution<double> damping(0.0, 0.3);
    std::uniform_real_distribution<double> rate(2000.0, 150000.0);
    return computeFilterBank(grid, damping(engine), 1.0 / rate(engine));
}

std::vector<double> randomHistory(std::mt19937_64& engine, int sampleCount) {
    std::normal_distribution<double> noise(0.0, 50.0);
    std::vector<double> history(static_cast<std::size_t>(sampleCount));
    for (double& x : history) x = noise(engine);
    return history;
}

}  // namespace

TEST(SpectrumKernel, EveryKernelMatchesThePlainLoopBitForBitOnRandomHistoriesAndGrids) {
    std::mt19937_64 engine(20240611);
    std::uniform_int_distribution<int> countOf(1, maxGridPoints);
    std::uniform_int_distribution<int> lengthOf(0, 1500);
    std::uniform_int_distribution<int> runOnOf(0, 400);
    for (int round = 0; round < 60; ++round) {
        const int count = round < 24 ? round + 1 : countOf(engine);  // every tail width, then any size
        const SrsFilterBank bank = randomBank(engine, count);
        const std::vector<double> history = randomHistory(engine, lengthOf(engine));
        expectKernelsMatchPlain(history, runOnOf(engine), bank, count, "random");
    }
}

TEST(SpectrumKernel, NonFiniteAndZeroCoefficientsAndSamplesGiveThePlainLoopsPeaks) {
    // Coefficients a degenerate specification can produce (a zero or NaN
    // frequency, undamped points) and samples that overflow or are NaN: NaN
    // outputs never become peaks, infinite ones do, signed zeros never replace
    // the starting zeros. The kernels must agree with the plain loop on all.
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double specials[] = {0.0, -0.0, inf, -inf, nan, -nan, 1e308, -1e308, 5e-324};
    std::mt19937_64 engine(77);
    std::uniform_int_distribution<int> countOf(1, maxGridPoints);
    std::uniform_int_distribution<int> pick(0, 8);
    std::uniform_int_distribution<int> chance(0, 9);
    for (int round = 0; round < 40; ++round) {
        const int count = countOf(engine);
        SrsFilterBank bank = randomBank(engine, count);
        double* rows[4] = {bank.a1, bank.a2, bank.b0, bank.b1};
        for (int j = 0; j < count; ++j) {
            for (double* row : rows) {
                if (chance(engine) == 0) row[j] = specials[pick(engine)];
            }
        }
        std::vector<double> history = randomHistory(engine, 300 + round * 10);
        for (double& x : history) {
            if (chance(engine) == 0) x = specials[pick(engine)];
        }
        expectKernelsMatchPlain(history, round * 7, bank, count, "specials");
    }
}

TEST(SpectrumKernel, RunOnStartsFromTheLastSampleAsPreviousInput) {
    // One point with only the previous-input weight: its first run-on output is
    // b1 times the last sample, and nothing else ever differs from zero.
    SrsFilterBank bank;
    bank.b1[0] = 2.0;
    const std::vector<double> history = {0.0, 0.0, -3.0};
    for (FilterKernel kernel : {FilterKernel::plain, fastestFilterKernel(1)}) {
        Peaks peaks;
        filterPeaks(kernel, history.data(), 3, 1, bank, 1, peaks.positive, peaks.negative);
        EXPECT_EQ(peaks.positive[0], 0.0) << kernelName(kernel);
        EXPECT_EQ(peaks.negative[0], -6.0) << kernelName(kernel);
        filterPeaks(kernel, history.data(), 3, 0, bank, 1, peaks.positive, peaks.negative);
        EXPECT_EQ(peaks.negative[0], 0.0) << kernelName(kernel);
    }
}

TEST(SpectrumKernel, ResponseSpectrumUsesTheKernelsPeaksWithTheNegativeMagnitude) {
    std::mt19937_64 engine(5);
    FrequencyGrid grid;
    grid.count = 37;
    for (int j = 0; j < grid.count; ++j) grid.frequency[j] = 100.0 * std::pow(2.0, j / 6.0);
    const double timeStep = 1.0 / 120000.0;
    const SrsFilterBank bank = computeFilterBank(grid, 0.05, timeStep);
    const std::vector<double> history = randomHistory(engine, 2000);
    ResponseSpectrum spectrum;
    computeResponseSpectrum(history.data(), 2000, grid, bank, timeStep, spectrum);
    Peaks plain;
    filterPeaks(FilterKernel::plain, history.data(), 2000, runOnSampleCount(grid, timeStep), bank, grid.count,
                plain.positive, plain.negative);
    for (int j = 0; j < grid.count; ++j) {
        EXPECT_EQ(bitsOf(spectrum.positivePeak[j]), bitsOf(plain.positive[j])) << j;
        EXPECT_EQ(bitsOf(spectrum.negativePeak[j]), bitsOf(std::fabs(plain.negative[j]))) << j;
    }
}

TEST(SpectrumKernel, PairedHistoriesGetThePlainLoopsPeaksEach) {
    // Two different histories packed side by side in the lanes, at every grid
    // size that pairs and a few that fall back, with special samples in
    // either history: each must come out as if it had been swept alone.
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double specials[] = {0.0, -0.0, inf, -inf, nan, 1e308, 5e-324};
    std::mt19937_64 engine(4242);
    std::uniform_int_distribution<int> pick(0, 6);
    std::uniform_int_distribution<int> chance(0, 19);
    std::uniform_int_distribution<int> lengthOf(0, 900);
    for (int count = 1; count <= 30; ++count) {
        const SrsFilterBank bank = randomBank(engine, count);
        const int length = count == 9 ? 0 : lengthOf(engine);
        const int runOn = count % 4 == 0 ? 0 : 150;
        std::vector<double> history[2] = {randomHistory(engine, length), randomHistory(engine, length)};
        for (std::vector<double>& h : history) {
            for (double& x : h) {
                if (count % 3 == 0 && chance(engine) == 0) x = specials[pick(engine)];
            }
        }
        Peaks paired[2];
        const double* const histories[2] = {history[0].data(), history[1].data()};
        double* const positive[2] = {paired[0].positive, paired[1].positive};
        double* const negative[2] = {paired[0].negative, paired[1].negative};
        filterPeaksPair(histories, length, runOn, bank, count, positive, negative);
        for (int h = 0; h < 2; ++h) {
            Peaks alone;
            filterPeaks(FilterKernel::plain, history[h].data(), length, runOn, bank, count, alone.positive,
                        alone.negative);
            for (int j = 0; j < count; ++j) {
                ASSERT_EQ(bitsOf(paired[h].positive[j]), bitsOf(alone.positive[j]))
                    << "history " << h << ", point " << j << " of " << count;
                ASSERT_EQ(bitsOf(paired[h].negative[j]), bitsOf(alone.negative[j]))
                    << "history " << h << ", point " << j << " of " << count;
            }
        }
    }
}
