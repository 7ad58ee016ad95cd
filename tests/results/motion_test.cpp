#include "results/motion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct MotionCase {
    std::unique_ptr<VelocityHistory> velocity = std::make_unique<VelocityHistory>();
    std::vector<double> acceleration;
    explicit MotionCase(int nt, double value = 0.0) : acceleration(nt + 1, value) {
        acceleration[nt] = 12345.0;  // the slot after the record must never be read
    }
    int nt() const { return static_cast<int>(acceleration.size()) - 1; }
    PeakMeasures measure(double dt, UnitSystem units) {
        return measureMotion(acceleration.data(), nt(), dt, units, *velocity);
    }
};

}  // namespace

TEST(MotionUnits, FactorsPerUnitSystem) {
    EXPECT_EQ(velocityFactor(1), 386.0);
    EXPECT_EQ(displacementFactor(1), 386.0);
    EXPECT_EQ(velocityFactor(2), 9.81);
    EXPECT_EQ(displacementFactor(2), 9810.0);
    EXPECT_EQ(velocityFactor(3), 1.0);
    EXPECT_EQ(displacementFactor(3), 1000.0);
    EXPECT_EQ(velocityFactor(7), 1.0);
    EXPECT_EQ(displacementFactor(0), 1.0);
}

TEST(MotionIntegration, ZeroHistoryHasNoMotion) {
    MotionCase c(50);
    const PeakMeasures peaks = c.measure(0.01, 1);
    EXPECT_EQ(peaks.peakAccel, 0.0);
    EXPECT_EQ(peaks.peakVel, 0.0);
    EXPECT_EQ(peaks.peakDisp, 0.0);
    for (int i = 0; i <= 50; ++i) ASSERT_EQ(c.velocity->value[i], 0.0);
}

TEST(MotionIntegration, ConstantHistoryHalvesTheFirstAndTrailingPoints) {
    const int nt = 8;
    const double dt = 0.25, value = -3.0;  // binary-exact: every sum below is exact
    MotionCase c(nt, value);
    const PeakMeasures peaks = c.measure(dt, 3);
    for (int i = 0; i < nt; ++i) EXPECT_EQ(c.velocity->value[i], (i + 0.5) * dt * value) << i;
    EXPECT_EQ(c.velocity->value[nt], (nt - 0.5) * dt * value);
    EXPECT_EQ(peaks.peakAccel, 3.0);
    EXPECT_EQ(peaks.peakVel, (nt - 0.5) * dt * 3.0);

    // d[i] = sum of the weighted velocities; d[nt] adds v[nt] at half weight.
    double d = dt * c.velocity->value[0] / 2.0;
    for (int i = 1; i < nt; ++i) d += dt * c.velocity->value[i];
    d += dt * c.velocity->value[nt] / 2.0;
    EXPECT_EQ(peaks.peakDisp, std::fabs(d) * 1000.0);
}

TEST(MotionIntegration, SingleSampleStepsTheVelocityAndRampsTheDisplacement) {
    const int nt = 40, k = 15;
    const double dt = 0.125, c0 = 2.0;
    MotionCase c(nt);
    c.acceleration[k] = c0;
    const PeakMeasures peaks = c.measure(dt, 3);
    for (int i = 0; i < k; ++i) ASSERT_EQ(c.velocity->value[i], 0.0) << i;
    for (int i = k; i <= nt; ++i) ASSERT_EQ(c.velocity->value[i], dt * c0) << i;
    EXPECT_EQ(peaks.peakVel, dt * c0);
    EXPECT_EQ(peaks.peakDisp, dt * dt * c0 * (nt - k + 0.5) * 1000.0);

    std::vector<double> displacement(nt + 1);
    const double peak = integrateDisplacement(c.velocity->value, nt, dt, displacement.data());
    EXPECT_EQ(peak, dt * dt * c0 * (nt - k + 0.5));
    EXPECT_EQ(displacement[k], dt * dt * c0);
    EXPECT_EQ(displacement[nt], peak);
}

TEST(MotionIntegration, FirstSampleEntersAtHalfWeight) {
    MotionCase c(10);
    c.acceleration[0] = 4.0;
    const PeakMeasures peaks = c.measure(0.5, 3);
    EXPECT_EQ(c.velocity->value[0], 1.0);
    EXPECT_EQ(c.velocity->value[10], 1.0);
    EXPECT_EQ(peaks.peakVel, 1.0);
}

TEST(MotionIntegration, TrailingPointCountsForVelocityAndDisplacementNotAcceleration) {
    // A last sample gives its velocity step at index nt - 1; the trailing point
    // adds no velocity but a half-weight step of displacement.
    const int nt = 4;
    const double dt = 0.5;
    MotionCase c(nt);
    c.acceleration[nt - 1] = -8.0;
    const PeakMeasures peaks = c.measure(dt, 2);
    EXPECT_EQ(c.velocity->value[nt - 1], -4.0);
    EXPECT_EQ(c.velocity->value[nt], -4.0);
    EXPECT_EQ(peaks.peakAccel, 8.0);
    EXPECT_EQ(peaks.peakVel, 4.0 * 9.81);
    EXPECT_EQ(peaks.peakDisp, (dt * -4.0 + dt * -4.0 / 2.0) * -9810.0);  // d[nt-1] + half
}

TEST(MotionIntegration, RunningSumKeepsItsOrder) {
    // Rounding of a running sum depends on the order of additions; a history of
    // non-representable steps shows any regrouping.
    const int nt = 1000;
    const double dt = 0.1;
    MotionCase c(nt);
    for (int i = 0; i < nt; ++i) c.acceleration[i] = std::sin(0.01 * i) + 0.3;
    c.measure(dt, 3);
    double v = (dt * c.acceleration[0]) / 2.0;
    ASSERT_EQ(c.velocity->value[0], v);
    for (int i = 1; i < nt; ++i) {
        v = v + dt * c.acceleration[i];
        ASSERT_EQ(c.velocity->value[i], v) << i;
    }
    EXPECT_EQ(c.velocity->value[nt], v);
}

TEST(MotionIntegration, EmptyRecordHasOnlyTheTrailingPoint) {
    MotionCase c(0);
    const PeakMeasures peaks = c.measure(0.01, 1);
    EXPECT_EQ(c.velocity->value[0], 0.0);
    EXPECT_EQ(peaks.peakVel, 0.0);
    EXPECT_EQ(peaks.peakDisp, 0.0);
}
