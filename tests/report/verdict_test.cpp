#include "report/verdict.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "report_fixture.h"

namespace {

SpecTable twoPointSpec() {
    ScratchRun run;
    SpecTable spec;
    std::string error;
    EXPECT_TRUE(readSpecification(run.specPath(), spec, error)) << error;  // 10 Hz 1, 2000 Hz 100
    return spec;
}

}  // namespace

TEST(SrsVerdict, PointsExactlyOnTheBandEdgesPass) {
    const SpecTable spec = twoPointSpec();
    // 20 log10(10) and 20 log10(0.1) are exactly +20 and -20 dB.
    const SrsVerdict verdict = judgeSrs(spec, {{10.0, 10.0, 0.1}, {2000.0, 1000.0, 10.0}}, {-20.0, 20.0});
    ASSERT_EQ(verdict.rows[0].positiveDb, 20.0);
    ASSERT_EQ(verdict.rows[0].negativeDb, -20.0);
    EXPECT_TRUE(verdict.passes);
    EXPECT_EQ(verdict.failedRows, 0);
    EXPECT_EQ(verdict.smallestMargin.marginDb, 0.0);
}

TEST(SrsVerdict, PointsJustOutsideFailWithANegativeMargin) {
    const SpecTable spec = twoPointSpec();
    const SrsVerdict verdict = judgeSrs(spec, {{10.0, 1.0, 1.0}, {2000.0, 1000.01, 100.0}}, {-20.0, 20.0});
    EXPECT_FALSE(verdict.passes);
    EXPECT_EQ(verdict.failedRows, 1);
    EXPECT_FALSE(verdict.rows[1].positivePasses);
    EXPECT_TRUE(verdict.rows[1].negativePasses);
    EXPECT_LT(verdict.smallestMargin.marginDb, 0.0);
    EXPECT_GT(verdict.smallestMargin.marginDb, -1e-4);
    EXPECT_EQ(verdict.smallestMargin.row, 1);
    EXPECT_TRUE(verdict.smallestMargin.upperEdge);
    EXPECT_FALSE(verdict.smallestMargin.negativeSpectrum);
}

TEST(SrsVerdict, ANegativeSpectrumShortfallFailsTheWholeSpectrum) {
    const SpecTable spec = twoPointSpec();
    // Half the level is -6.02 dB, below the default -3 dB edge.
    const SrsVerdict verdict =
        judgeSrs(spec, {{10.0, 1.2, 1.1}, {20.0, 1.82662, 0.91331}, {2000.0, 110.0, 100.0}}, ToleranceBand{});
    EXPECT_FALSE(verdict.passes);
    EXPECT_TRUE(verdict.rows[1].positivePasses);
    EXPECT_FALSE(verdict.rows[1].negativePasses);
    EXPECT_NEAR(verdict.rows[1].negativeDb, -6.0206, 1e-3);
    EXPECT_EQ(verdict.smallestMargin.row, 1);
    EXPECT_TRUE(verdict.smallestMargin.negativeSpectrum);
    EXPECT_FALSE(verdict.smallestMargin.upperEdge);
    EXPECT_NEAR(verdict.smallestMargin.marginDb, -3.0206, 1e-3);
}

TEST(SrsVerdict, ZeroInfiniteAndNotANumberResponsesFail) {
    const SpecTable spec = twoPointSpec();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const SrsVerdict verdict =
        judgeSrs(spec, {{10.0, 0.0, 1.0}, {20.0, 1.82662, nan}, {2000.0, inf, 100.0}}, ToleranceBand{});
    EXPECT_EQ(verdict.failedRows, 3);
    EXPECT_TRUE(std::isinf(verdict.smallestMargin.marginDb));
    EXPECT_LT(verdict.smallestMargin.marginDb, 0.0);
}

TEST(MotionChecks, LimitsApplyToThePeakAndAnEqualPeakPasses) {
    ScratchRun run;
    run.writeMotion(1000.0, 100, -2.0, 0.75);  // velocity ramps to -2, displacement to 0.75
    ReportInputs inputs;
    std::string error;
    ASSERT_TRUE(readReportInputs(run.specPath(), run.dir(), inputs, error)) << error;

    ReportFindings findings = assessRun(inputs, ToleranceBand{}, {2.0, 0.7});
    EXPECT_EQ(findings.motion.velocity.magnitude, 2.0);
    EXPECT_EQ(findings.motion.residualVelocity, -2.0);
    EXPECT_EQ(findings.motion.residualDisplacement, 0.75);
    EXPECT_DOUBLE_EQ(findings.motion.endTime, 0.1);
    EXPECT_TRUE(findings.motion.velocityWithinLimit);
    EXPECT_FALSE(findings.motion.displacementWithinLimit);
    EXPECT_FALSE(findings.passes);

    findings = assessRun(inputs, ToleranceBand{}, {});
    EXPECT_TRUE(findings.passes);
}

TEST(OptimumChoice, LowestScoreWinsAndTiesGoToTheLowestTrial) {
    EXPECT_EQ(chooseOptimum({{0, 5}, {1, 2}, {2, 2}}).trial, 1);
    EXPECT_EQ(chooseOptimum({{4, 3}, {2, 3}, {7, 9}}).trial, 2);
    EXPECT_EQ(chooseOptimum({{0, 0}}).trial, 0);
}
