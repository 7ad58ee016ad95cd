#include "srs/response_spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr double stepTimeStep = 1.0 / 1024.0;

// Grid of 8 and 16 Hz, levels 1.5 and 2.0, with the bank at 5 % damping.
struct StepCase {
    FrequencyGrid grid;
    SrsFilterBank bank;
    std::vector<double> history = std::vector<double>(1024, 1.0);  // a one-second step
    StepCase() {
        grid.count = 2;
        grid.frequency[0] = 8.0;
        grid.frequency[1] = 16.0;
        grid.level[0] = 1.5;
        grid.level[1] = 2.0;
        bank = computeFilterBank(grid, 0.05, stepTimeStep);
    }
    ResponseSpectrum spectrum() const {
        ResponseSpectrum result;
        computeResponseSpectrum(history.data(), static_cast<int>(history.size()), grid, bank,
                                stepTimeStep, result);
        return result;
    }
};

}  // namespace

TEST(ResponseSpectrumRunOn, IsOnePointTwoPeriodsOfTheLowestFrequencyTruncated) {
    StepCase step;
    EXPECT_EQ(runOnSampleCount(step.grid, stepTimeStep), 153);  // 1.2 x 128 = 153.6
    step.grid.frequency[0] = 10.0;
    // 1.2 / (0.01 x 10) lands just below 12 in doubles: truncated, not rounded.
    EXPECT_EQ(runOnSampleCount(step.grid, 0.01), 11);
    step.grid.frequency[0] = 1000.0;
    EXPECT_EQ(runOnSampleCount(step.grid, 0.01), 0);
}

TEST(ResponseSpectrum, StepResponsePeaksWithNegativePeaksInTheRunOn) {
    StepCase step;
    const ResponseSpectrum spectrum = step.spectrum();
    EXPECT_NEAR(spectrum.positivePeak[0], 1.860881, 5e-7);
    EXPECT_NEAR(spectrum.positivePeak[1], 1.862262, 5e-7);
    EXPECT_NEAR(spectrum.negativePeak[0], 0.789471, 5e-7);
    EXPECT_NEAR(spectrum.negativePeak[1], 0.852564, 5e-7);

    // Both negative peaks come after the step has ended: the same filters without
    // a run-on (a lowest frequency so high that K = 0) barely go below zero.
    FrequencyGrid highLowest = step.grid;
    highLowest.frequency[0] = 2000.0;
    ASSERT_EQ(runOnSampleCount(highLowest, stepTimeStep), 0);
    ResponseSpectrum noRunOn;
    computeResponseSpectrum(step.history.data(), 1024, highLowest, step.bank, stepTimeStep,
                            noRunOn);
    EXPECT_EQ(noRunOn.positivePeak[0], spectrum.positivePeak[0]);
    EXPECT_LT(noRunOn.negativePeak[0], 0.01);
    EXPECT_LT(noRunOn.negativePeak[1], 0.01);
}

TEST(ResponseSpectrum, StepResponseToTheLastBit) {
    // Pinned from the recurrence summed ((a1 y1 + a2 y2) + b0 x) + b1 x1 with the
    // run-on's first step still seeing the last sample; any reordering or a
    // different run-on start moves these bits.
    const ResponseSpectrum spectrum = StepCase().spectrum();
    EXPECT_EQ(spectrum.positivePeak[0], 0x1.dc62aa5d7c898p+0);
    EXPECT_EQ(spectrum.positivePeak[1], 0x1.dcbd30e4501e9p+0);
    EXPECT_EQ(spectrum.negativePeak[0], 0x1.94358b54f3a7ep-1);
    EXPECT_EQ(spectrum.negativePeak[1], 0x1.b4834b65a0a82p-1);
}

TEST(ResponseSpectrum, NothingCarriesOverBetweenComputations) {
    StepCase step;
    const ResponseSpectrum first = step.spectrum();
    std::vector<double> other(1024);
    for (int i = 0; i < 1024; ++i) other[i] = std::sin(0.3 * i) * 5.0;
    ResponseSpectrum spectrum;
    computeResponseSpectrum(other.data(), 1024, step.grid, step.bank, stepTimeStep, spectrum);
    computeResponseSpectrum(step.history.data(), 1024, step.grid, step.bank, stepTimeStep,
                            spectrum);
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(spectrum.positivePeak[j], first.positivePeak[j]);
        EXPECT_EQ(spectrum.negativePeak[j], first.negativePeak[j]);
    }
}

TEST(ResponseSpectrum, SingleUnitSampleFirstOutputIsB0) {
    // A time step so long that there is no run-on: the spectrum is the first
    // output alone.
    FrequencyGrid grid;
    grid.count = 1;
    grid.frequency[0] = 2.0;  // 1.2 / (1.0 x 2.0) truncates to no run-on
    const double history[1] = {1.0};
    ResponseSpectrum spectrum;

    const SrsFilterBank damped = computeFilterBank(grid, 0.05, 1.0);
    computeResponseSpectrum(history, 1, grid, damped, 1.0, spectrum);
    EXPECT_EQ(spectrum.positivePeak[0], damped.b0[0]);
    EXPECT_EQ(spectrum.negativePeak[0], 0.0);

    const SrsFilterBank undamped = computeFilterBank(grid, 0.0, 1.0);
    computeResponseSpectrum(history, 1, grid, undamped, 1.0, spectrum);
    EXPECT_EQ(spectrum.positivePeak[0], 0.0);
    EXPECT_EQ(spectrum.negativePeak[0], 0.0);
}

TEST(ResponseSpectrum, RunOnNeverTouchesTheHistory) {
    StepCase step;
    std::vector<double> padded(2000, 7.0);
    std::copy(step.history.begin(), step.history.end(), padded.begin());
    ResponseSpectrum spectrum;
    computeResponseSpectrum(padded.data(), 1024, step.grid, step.bank, stepTimeStep, spectrum);
    EXPECT_EQ(spectrum.positivePeak[0], StepCase().spectrum().positivePeak[0]);
    for (int i = 1024; i < 2000; ++i) ASSERT_EQ(padded[i], 7.0);
}

TEST(SpectrumError, StepSpectrumAgainstLevels) {
    StepCase step;
    std::string diagnostics;
    const SpectrumError error = computeSpectrumError(step.grid, step.spectrum(), diagnostics);
    EXPECT_NEAR(error.totalError, 1.356860, 5e-7);
    EXPECT_NEAR(error.largestError, 0.573718, 5e-7);
    // The largest is the negative deviation at 16 Hz.
    EXPECT_EQ(error.largestError, std::fabs((2.0 - step.spectrum().negativePeak[1]) / 2.0));
    EXPECT_TRUE(diagnostics.empty());
}

TEST(SpectrumError, ZeroHistoryGivesTwoPerPointAndOneAtMost) {
    StepCase step;
    std::fill(step.history.begin(), step.history.end(), 0.0);
    const ResponseSpectrum spectrum = step.spectrum();
    EXPECT_EQ(spectrum.positivePeak[0], 0.0);
    EXPECT_EQ(spectrum.negativePeak[1], 0.0);
    std::string diagnostics;
    const SpectrumError error = computeSpectrumError(step.grid, spectrum, diagnostics);
    EXPECT_EQ(error.totalError, 4.0);
    EXPECT_EQ(error.largestError, 1.0);
}

TEST(SpectrumError, PeaksEqualToTheLevelAddNothing) {
    FrequencyGrid grid;
    grid.count = 2;
    grid.level[0] = 3.0;
    grid.level[1] = 0.25;
    ResponseSpectrum spectrum;
    spectrum.positivePeak[0] = spectrum.negativePeak[0] = 3.0;
    spectrum.positivePeak[1] = 0.25;
    spectrum.negativePeak[1] = 0.375;
    std::string diagnostics;
    const SpectrumError error = computeSpectrumError(grid, spectrum, diagnostics);
    EXPECT_EQ(error.totalError, 0.5);
    EXPECT_EQ(error.largestError, 0.5);
}

TEST(SpectrumError, LevelBelowTinyOrNaNIsReportedAndStillEvaluated) {
    FrequencyGrid grid;
    grid.count = 3;
    grid.level[0] = 1.0;
    grid.level[1] = 0.0;
    grid.level[2] = std::nan("");
    ResponseSpectrum spectrum;
    spectrum.positivePeak[0] = spectrum.negativePeak[0] = 1.0;
    spectrum.positivePeak[1] = 2.0;  // (0 - 2) / 0 = -inf; (0 - 0) / 0 = NaN
    std::string diagnostics;
    const SpectrumError error = computeSpectrumError(grid, spectrum, diagnostics);
    EXPECT_EQ(diagnostics,
              "\n spec error. 1 0.000000e+000 \n"
              "\n spec error. 2          nan \n");
    EXPECT_TRUE(std::isnan(error.totalError));
    // NaN never wins a strict comparison, the infinity does.
    EXPECT_EQ(error.largestError, INFINITY);

    grid.level[1] = 1e-21;
    grid.count = 2;
    spectrum.negativePeak[1] = 1e-21;
    diagnostics = "kept ";
    computeSpectrumError(grid, spectrum, diagnostics);
    EXPECT_EQ(diagnostics, "kept \n spec error. 1 1.000000e-021 \n");
}
