#include "wavelet/pass_kernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

std::uint64_t bitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The scaling as the synthesis defines it: the first sample whose magnitude
// is strictly greater than every earlier one's is the peak.
bool scaleToPeakPlain(std::vector<double>& sample, double zpa, double& scale) {
    double peak = 0.0;
    for (double x : sample) {
        if (std::fabs(x) > std::fabs(peak)) peak = x;
    }
    if (peak == 0.0) return false;
    scale = zpa / peak;
    for (double& x : sample) x *= scale;
    return true;
}

// Few distinct magnitudes of both signs, so that equal peaks fall in the
// same and in different blocks, with NaN, infinity and zeros sprinkled in.
std::vector<double> tiedHistory(std::mt19937_64& engine, int n) {
    std::uniform_int_distribution<int> pick(0, 19);
    std::vector<double> sample(static_cast<std::size_t>(n));
    for (double& x : sample) {
        const int p = pick(engine);
        if (p == 0) x = std::numeric_limits<double>::quiet_NaN();
        else if (p == 1 && n % 7 == 0) x = -std::numeric_limits<double>::infinity();
        else if (p < 6) x = 0.0;
        else x = (p % 2 == 0 ? 1.0 : -1.0) * (1.0 + (p % 3));
    }
    return sample;
}

TEST(PassKernels, ScaleToPeakMatchesTheSampleBySampleScaling) {
    std::mt19937_64 engine(2024);
    for (int n : {0, 1, 7, 8, 31, 32, 33, 63, 64, 100, 1200, 1201}) {
        for (int round = 0; round < 20; ++round) {
            std::vector<double> plain = tiedHistory(engine, n);
            // Only every few rounds the whole record is zero or NaN.
            if (round == 0) plain.assign(plain.size(), 0.0);
            if (round == 1) plain.assign(plain.size(), std::numeric_limits<double>::quiet_NaN());
            std::vector<double> fast = plain;
            double plainScale = 0.0, fastScale = 0.0;
            const bool plainScaled = scaleToPeakPlain(plain, 250.0, plainScale);
            const bool fastScaled = scaleToPeak(fast.data(), n, 250.0, fastScale);
            ASSERT_EQ(fastScaled, plainScaled) << "n " << n << " round " << round;
            if (plainScaled) {
                ASSERT_EQ(bitsOf(fastScale), bitsOf(plainScale)) << "n " << n << " round " << round;
            }
            for (int i = 0; i < n; ++i) {
                ASSERT_EQ(bitsOf(fast[static_cast<std::size_t>(i)]), bitsOf(plain[static_cast<std::size_t>(i)]))
                    << "n " << n << " round " << round << " sample " << i;
            }
        }
    }
}

TEST(PassKernels, AccumulateAddsTheProductInItsOrderAtEveryOffset) {
    std::mt19937_64 engine(7);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    alignas(64) double sample[96], envelope[96], carrier[96], expected[96];
    for (int offset = 0; offset < 8; ++offset) {
        for (int n : {0, 1, 9, 40, 96 - offset}) {
            for (int i = 0; i < 96; ++i) {
                sample[i] = expected[i] = value(engine);
                envelope[i] = value(engine);
                carrier[i] = value(engine);
            }
            const double amplitude = value(engine) * 1e3;
            for (int i = offset; i < offset + n; ++i) expected[i] += (amplitude * envelope[i]) * carrier[i];
            accumulateWavelet(sample + offset, envelope + offset, carrier + offset, amplitude, n);
            for (int i = 0; i < 96; ++i) ASSERT_EQ(bitsOf(sample[i]), bitsOf(expected[i])) << offset << " " << n;
        }
    }
}

}  // namespace
