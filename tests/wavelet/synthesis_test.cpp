#include "wavelet/synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

struct SynthesisCase {
    std::unique_ptr<WaveletTable> table = std::make_unique<WaveletTable>();
    std::unique_ptr<TimeHistory> history = std::make_unique<TimeHistory>();
    FrequencyGrid grid;

    void addWavelet(int k, double frequency, double amplitude, int halfSines, double delay) {
        const int j = grid.count++;
        grid.frequency[j] = frequency;
        table->amplitude[k][j] = amplitude;
        table->nhs[k][j] = halfSines;
        table->delay[k][j] = delay;
    }
    double sum(int k, double t) const { return waveletSum(*table, k, grid, t); }
};

}  // namespace

TEST(WaveletSum, ThreeHalfSineWaveletAtTenHertz) {
    SynthesisCase c;
    c.addWavelet(0, 10.0, 1.0, 3, 0.0);
    EXPECT_NEAR(c.sum(0, 0.025), 0.5, 1e-15);
    EXPECT_NEAR(c.sum(0, 0.05), 0.0, 1e-15);
    EXPECT_NEAR(c.sum(0, 0.075), -1.0, 1e-15);  // middle of the three half-cycles
    EXPECT_NEAR(c.sum(0, 0.125), 0.5, 1e-15);
    EXPECT_NEAR(c.sum(0, 0.15), 0.0, 1e-15);
    EXPECT_EQ(c.sum(0, 0.2), 0.0);
}

TEST(WaveletSum, StatedOrderOfOperations) {
    SynthesisCase c;
    const double f = 13.7, tau = 0.0783, n = 7.0, a = 1.3;
    c.addWavelet(0, f, a, 7, 0.0);
    const double omega = twoPi * f;
    const double stated = a * std::sin((omega * tau) / n) * std::sin(omega * tau);
    // The case is chosen so that each other grouping gives different bits.
    ASSERT_NE(stated, a * std::sin(omega * (tau / n)) * std::sin(omega * tau));
    ASSERT_NE(stated, a * std::sin((twoPi * (f * tau)) / n) * std::sin(twoPi * (f * tau)));
    ASSERT_NE(stated, std::sin((omega * tau) / n) * (a * std::sin(omega * tau)));
    EXPECT_EQ(c.sum(0, tau), stated);
}

TEST(WaveletSum, WindowEdges) {
    SynthesisCase c;
    // 8 Hz, three half-sines: the window is 3/16 s, exact in binary.
    c.addWavelet(0, 8.0, 1.0, 3, 0.0);
    const double end = 0.1875;
    EXPECT_NE(c.sum(0, end), 0.0);  // still active: sin(pi) sin(3 pi) is not exactly 0
    EXPECT_LT(std::fabs(c.sum(0, end)), 1e-30);
    EXPECT_EQ(c.sum(0, std::nextafter(end, 1.0)), 0.0);

    // At its delay a wavelet contributes exactly zero, and before it nothing,
    // although the sine expression would not vanish there.
    SynthesisCase late;
    late.addWavelet(0, 10.0, 1.0, 3, 0.1);
    EXPECT_EQ(late.sum(0, 0.1), 0.0);
    EXPECT_EQ(late.sum(0, 0.075), 0.0);
    EXPECT_NEAR(late.sum(0, 0.125), 0.5, 1e-12);
}

TEST(WaveletSum, AddsWaveletsOfTheRowOnly) {
    SynthesisCase c;
    c.addWavelet(0, 10.0, 1.0, 3, 0.0);
    c.addWavelet(0, 20.0, 2.0, 5, 0.0);
    c.table->amplitude[1][0] = 100.0;  // another trial's row
    c.table->nhs[1][0] = 3;
    SynthesisCase first, second;
    first.addWavelet(0, 10.0, 1.0, 3, 0.0);
    second.addWavelet(0, 20.0, 2.0, 5, 0.0);
    for (double t : {0.01, 0.03, 0.07, 0.11})
        EXPECT_EQ(c.sum(0, t), 0.0 + first.sum(0, t) + second.sum(0, t));
}

TEST(SynthesizeTrial, SamplesAreTheWaveletSumScaledSoThePeakIsZpa) {
    SynthesisCase c;
    c.addWavelet(2, 10.0, 0.7, 5, 0.013);
    c.addWavelet(2, 23.0, -0.4, 9, 0.0);
    c.addWavelet(2, 51.0, 0.9, 11, 0.05);
    const double dt = 1.0 / 600.0;
    const int nt = 240;
    const double zpa = 3.5;

    double unscaled[nt];
    double peak = 0.0;
    for (int i = 0; i < nt; ++i) {
        unscaled[i] = c.sum(2, static_cast<double>(i) * dt);
        if (std::fabs(unscaled[i]) > std::fabs(peak)) peak = unscaled[i];
    }
    const double scale = zpa / peak;
    c.history->sample[nt] = 42.0;
    synthesizeTrial(*c.table, 2, c.grid, dt, nt, zpa, *c.history);

    double largest = 0.0;
    for (int i = 0; i < nt; ++i) {
        ASSERT_EQ(c.history->sample[i], unscaled[i] * scale) << i;
        largest = std::max(largest, std::fabs(c.history->sample[i]));
    }
    EXPECT_DOUBLE_EQ(largest, zpa);
    EXPECT_EQ(c.history->sample[nt], 42.0);  // past the record: untouched
    EXPECT_EQ(c.table->amplitude[2][0], 0.7 * scale);
    EXPECT_EQ(c.table->amplitude[2][1], -0.4 * scale);
    EXPECT_EQ(c.table->nhs[2][2], 11);
    EXPECT_EQ(c.table->delay[2][0], 0.013);

    // Synthesising again reproduces the history: the second scale is 1 up to rounding.
    double first[nt];
    std::copy(c.history->sample, c.history->sample + nt, first);
    synthesizeTrial(*c.table, 2, c.grid, dt, nt, zpa, *c.history);
    for (int i = 0; i < nt; ++i) ASSERT_NEAR(c.history->sample[i], first[i], 1e-14) << i;
}

TEST(SynthesizeTrial, NegativePeakTurnsTheHistoryOver) {
    SynthesisCase c;
    c.addWavelet(0, 10.0, 1.0, 3, 0.0);  // its largest excursion is -1 at 0.075 s
    c.addWavelet(0, 30.0, 0.1, 3, 0.3);
    const double dt = 0.0025;
    synthesizeTrial(*c.table, 0, c.grid, dt, 200, 2.0, *c.history);
    EXPECT_NEAR(c.history->sample[30], 2.0, 1e-14);
    EXPECT_NEAR(c.history->sample[10], -1.0, 1e-14);  // 0.5 at 0.025 s, turned over and doubled
    EXPECT_LT(c.table->amplitude[0][0], 0.0);
    EXPECT_LT(c.table->amplitude[0][1], 0.0);
    EXPECT_NEAR(c.table->amplitude[0][1], -0.2, 1e-14);
}

TEST(SynthesizeTrial, EarlierOfTwoEqualMagnitudesDecidesTheSign) {
    // Two identical wavelets of opposite sign one second apart, sampled at binary
    // exact times, give samples of exactly opposite value.
    for (double firstSign : {1.0, -1.0}) {
        SynthesisCase c;
        c.addWavelet(0, 8.0, firstSign, 3, 0.0);
        c.addWavelet(0, 8.0, -firstSign, 3, 1.0);
        const int nt = 128;
        synthesizeTrial(*c.table, 0, c.grid, 1.0 / 64.0, nt, 1.0, *c.history);
        ASSERT_EQ(c.history->sample[6], -c.history->sample[70]);
        EXPECT_EQ(c.history->sample[6], 1.0);
        EXPECT_EQ(c.history->sample[70], -1.0);
        // Sample 12 falls exactly on the end of the first window: still active.
        EXPECT_NE(c.history->sample[12], 0.0);
        EXPECT_EQ(c.history->sample[13], 0.0);
    }
}

TEST(SynthesizeTrial, AllZeroRowIsLeftUnscaled) {
    SynthesisCase c;
    c.addWavelet(0, 10.0, 0.0, 3, 0.0);
    c.addWavelet(0, 20.0, 0.0, 5, 0.01);
    c.history->sample[3] = 9.0;
    synthesizeTrial(*c.table, 0, c.grid, 0.001, 100, 1.5, *c.history);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(c.history->sample[i], 0.0);
    EXPECT_EQ(c.table->amplitude[0][0], 0.0);
    EXPECT_EQ(c.table->amplitude[0][1], 0.0);
    EXPECT_FALSE(std::signbit(c.table->amplitude[0][0]));
}

TEST(CorrectAmplitudes, MovesSixtyFivePercentOfTheWayOnALogScale) {
    SynthesisCase c;
    const double levels[] = {2.0, 4.0, 1.0, 5.0, 3.0};
    const double responses[] = {2.0, 2.0, 2.0, 0.0, 1.5};
    const double amplitudes[] = {0.3, -0.3, 0.8, 0.6, 0.0};
    ResponseSpectrum spectrum;
    for (int j = 0; j < 5; ++j) {
        c.addWavelet(1, 10.0 * (j + 1), amplitudes[j], 3 + 2 * j, 0.01 * j);
        c.grid.level[j] = levels[j];
        spectrum.negativePeak[j] = responses[j];
        spectrum.positivePeak[j] = 100.0;  // takes no part
    }
    correctAmplitudes(*c.table, 1, c.grid, spectrum);
    EXPECT_EQ(c.table->amplitude[1][0], 0.3);
    EXPECT_NEAR(c.table->amplitude[1][1], -0.3 * 1.5692, 1e-4 * 0.3);
    EXPECT_EQ(c.table->amplitude[1][1], -0.3 * std::pow(2.0, 0.65));
    EXPECT_NEAR(c.table->amplitude[1][2], 0.8 * 0.6373, 1e-4 * 0.8);
    EXPECT_EQ(c.table->amplitude[1][3], 0.6);  // no negative response: unchanged
    EXPECT_EQ(c.table->amplitude[1][4], 0.0);
    for (int j = 0; j < 5; ++j) {
        EXPECT_EQ(c.table->nhs[1][j], 3 + 2 * j);
        EXPECT_EQ(c.table->delay[1][j], 0.01 * j);
    }
}
