#include "srs/filter_bank.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

FrequencyGrid gridOf(std::initializer_list<double> frequencies) {
    FrequencyGrid grid;
    for (double f : frequencies) grid.frequency[grid.count++] = f;
    return grid;
}

double zeroFrequencyGain(const SrsFilterBank& bank, int j) {
    return (bank.b0[j] + bank.b1[j]) / (1.0 - bank.a1[j] - bank.a2[j]);
}

}  // namespace

TEST(FilterBank, CoefficientsAtHundredAndThousandHertz) {
    const SrsFilterBank low = computeFilterBank(gridOf({100.0}), 0.05, 0.0001);
    EXPECT_NEAR(low.a1[0], 1.98980234, 5e-9);
    EXPECT_NEAR(low.a2[0], -0.993736513, 5e-10);
    EXPECT_NEAR(low.b0[0], 0.00628318531, 5e-12);
    EXPECT_NEAR(low.b1[0], -0.00233793654, 5e-12);

    const SrsFilterBank high = computeFilterBank(gridOf({1000.0}), 0.05, 1.0 / 24000.0);
    EXPECT_NEAR(high.a1[0], 1.90689576, 5e-9);
    EXPECT_NEAR(high.a2[0], -0.974159785, 5e-10);
    EXPECT_NEAR(high.b0[0], 0.0261799388, 5e-11);
    EXPECT_NEAR(high.b1[0], 0.0415838031, 5e-11);
}

TEST(FilterBank, TwoStepDecayIsItsOwnExponentialNotTheSquare) {
    const double omega = twoPi * 100.0;
    const double decay = std::exp(-0.05 * omega * 0.0001);
    const double twoStepDecay = std::exp(-2.0 * 0.05 * omega * 0.0001);
    ASSERT_NE(decay * decay, twoStepDecay);  // the case tells the two apart
    const SrsFilterBank bank = computeFilterBank(gridOf({100.0}), 0.05, 0.0001);
    EXPECT_EQ(bank.a2[0], -twoStepDecay);
}

TEST(FilterBank, UndampedOscillator) {
    const SrsFilterBank bank = computeFilterBank(gridOf({100.0}), 0.0, 0.0001);
    const double omegaDt = twoPi * 100.0 * 0.0001;
    EXPECT_EQ(bank.b0[0], 0.0);
    EXPECT_EQ(bank.a2[0], -1.0);
    EXPECT_EQ(bank.a1[0], 2.0 * std::cos(omegaDt));
    EXPECT_EQ(bank.b1[0], omegaDt * std::sin(omegaDt));
    EXPECT_NEAR(bank.a1[0], 1.99605346, 5e-9);
    EXPECT_NEAR(bank.b1[0], 0.0039452447, 5e-11);
}

TEST(FilterBank, UnitGainAtZeroFrequencyWellBelowTheSampleRate) {
    const SrsFilterBank bank = computeFilterBank(gridOf({10.0, 1000.0}), 0.05, 1.0 / 24000.0);
    EXPECT_NEAR(zeroFrequencyGain(bank, 0), 1.00013, 5e-6);
    EXPECT_NEAR(zeroFrequencyGain(bank, 1), 1.00743, 5e-6);
}

TEST(FilterBank, EveryGridPointGetsItsOwnCoefficientsAndRecomputingRepeatsThem) {
    const FrequencyGrid grid = gridOf({8.0, 100.0, 1000.0});
    const SrsFilterBank bank = computeFilterBank(grid, 0.05, 1.0 / 24000.0);
    const SrsFilterBank again = computeFilterBank(grid, 0.05, 1.0 / 24000.0);
    const SrsFilterBank single = computeFilterBank(gridOf({1000.0}), 0.05, 1.0 / 24000.0);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(bank.a1[j], again.a1[j]);
        EXPECT_EQ(bank.a2[j], again.a2[j]);
        EXPECT_EQ(bank.b0[j], again.b0[j]);
        EXPECT_EQ(bank.b1[j], again.b1[j]);
    }
    EXPECT_EQ(bank.b1[2], single.b1[0]);
    EXPECT_NE(bank.b1[0], bank.b1[1]);
    // Entries past the grid are not filled.
    EXPECT_EQ(bank.a1[3], 0.0);
}
