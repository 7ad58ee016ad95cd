#include "report/verdict.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "scratch_run.h"

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

    // Under the maximax rule only the larger of the two is judged.
    const SrsVerdict maximax = judgeSrs(spec, {{10.0, 1.2, 1.1}, {20.0, 1.82662, 0.91331}, {2000.0, 110.0, 100.0}},
                                        ToleranceBand{}, Polarity::maximax);
    EXPECT_TRUE(maximax.passes);
    EXPECT_NEAR(maximax.smallestMargin.marginDb, 3.0, 1e-4);  // 20 Hz, exactly on the level
    EXPECT_EQ(maximax.smallestMargin.row, 1);
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
    SpecText spec;
    JudgedHistory history;
    std::string error;
    ASSERT_TRUE(readSpecTextFile(run.specPath(), spec, error) && readRunFolder(run.dir(), history.folder, error))
        << error;

    ReportFindings findings = assessRun(spec, history, ToleranceBand{}, {2.0, 0.7});
    EXPECT_EQ(findings.motion.velocity.magnitude, 2.0);
    EXPECT_EQ(findings.motion.residualVelocity, -2.0);
    EXPECT_EQ(findings.motion.residualDisplacement, 0.75);
    EXPECT_DOUBLE_EQ(findings.motion.endTime, 0.1);
    EXPECT_TRUE(findings.motion.velocityWithinLimit);
    EXPECT_FALSE(findings.motion.displacementWithinLimit);
    EXPECT_FALSE(findings.passes);

    findings = assessRun(spec, history, ToleranceBand{}, {});
    EXPECT_TRUE(findings.passes);
}

TEST(OptimumChoice, LowestScoreWinsAndTiesGoToTheLowestTrial) {
    EXPECT_EQ(chooseOptimum({{0, 5}, {1, 2}, {2, 2}}).trial, 1);
    EXPECT_EQ(chooseOptimum({{4, 3}, {2, 3}, {7, 9}}).trial, 2);
    EXPECT_EQ(chooseOptimum({{0, 0}}).trial, 0);
}

// One wavelet of the program's kind, A sin(W t / N) sin(W t) over N half-cycles,
// has velocity and displacement in closed form:
//   v = (A/2) (sin pt / p - sin qt / q),  d = (A/2) ((1 - cos pt) / p^2 - (1 - cos qt) / q^2)
// with p = W (1 - 1/N), q = W (1 + 1/N); both end at zero.
TEST(ShakerChecks, PeaksOfOneWaveletMatchItsClosedFormAndLimitsApplyWithTheirShare) {
    const double pi = std::atan2(0.0, -1.0);
    const double f = 20.0, amplitudeG = 10.0, rate = 20000.0;
    const int halfCycles = 3;
    const double w = 2.0 * pi * f, p = w * (1.0 - 1.0 / halfCycles), q = w * (1.0 + 1.0 / halfCycles);
    const double length = halfCycles / (2.0 * f);
    std::vector<double> history;
    for (int i = 0; i / rate <= length; ++i) history.push_back(amplitudeG * std::sin(w * i / rate / halfCycles) *
                                                                 std::sin(w * i / rate));
    double velocity = 0.0, displacement = 0.0;
    const double a = amplitudeG * standardGravity / 2.0;
    for (int k = 0; k <= 200000; ++k) {
        const double t = length * k / 200000.0;
        velocity = std::max(velocity, std::fabs(a * (std::sin(p * t) / p - std::sin(q * t) / q)));
        displacement =
            std::max(displacement, std::fabs(a * ((1.0 - std::cos(p * t)) / (p * p) - (1.0 - std::cos(q * t)) / (q * q))));
    }
    for (const int units : {1, 3}) {
        std::vector<double> inUnits = history;
        if (units == 3) for (double& x : inUnits) x *= standardGravity;
        const ShakerPeaks peaks = shakerPeaksOf(inUnits, 1.0 / rate, units);
        EXPECT_NEAR(peaks.velocityMs, velocity, 1e-3 * velocity) << units;
        EXPECT_NEAR(peaks.displacementMm, 1000.0 * displacement, 1e-3 * 1000.0 * displacement) << units;
        EXPECT_NEAR(peaks.accelerationG, amplitudeG, 1e-3 * amplitudeG) << units;
    }

    ShakerLimits limits;
    std::string error;
    ASSERT_TRUE(parseShakerText("stroke_mm_pk_pk = 25.4 # between the stops\nforce_n=100\nmoving_mass_kg = 1\n"
                                "payload_kg = 0.5\nusable_share = 0.5\n",
                                "shaker", limits, error))
        << error;
    const ShakerVerdict verdict = judgeShaker(limits, {6.35, 3.0, 10.0});
    ASSERT_EQ(verdict.quantities.size(), 2u);
    EXPECT_EQ(verdict.quantities[0].limit, 6.35);  // half the stroke, times the share
    EXPECT_TRUE(verdict.quantities[0].within) << "a peak on its limit passes";
    EXPECT_NEAR(verdict.quantities[1].peak, 1.5 * 10.0 * standardGravity, 1e-9);
    EXPECT_FALSE(verdict.feasible);
}

TEST(ShakerChecks, ShakerFilesThatCannotBeTrustedAreRefusedByLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"stroke = 25.4\n", "line 1: unknown key \"stroke\""},
        {"\n# limits\nvelocity_m_s =\n", "line 3: velocity_m_s has no value"},
        {"velocity_m_s\n", "line 1: velocity_m_s has no value"},
        {"acceleration_g = -100\n", "line 1: the value of acceleration_g is negative"},
        {"acceleration_g = inf\n", "is not a finite number"},
        {"acceleration_g = 1OO\n", "\"1OO\", is not a finite number"},
        {"payload_kg = 1\npayload_kg = 2\n", "line 2: payload_kg is given twice"},
        {"usable_share = 1.5\n", "usable_share must be from 0.01 to 1"},
        {"stroke_mm_pk_pk = 25\nusable_share = 1e-300\n", "usable_share must be from 0.01 to 1"},
        {"force_n = 8900\nmoving_mass_kg = 10\n", "force_n needs both moving_mass_kg and payload_kg"},
        {"# no limits at all\n\n", "sets no limit"},
        {"", "sets no limit"},
        {"velocity_m_s = 0\n", "is zero: a limit of nothing"},
        {"force_n = 1e308\nmoving_mass_kg = 1\npayload_kg = 1\n", "is beyond any shaker"},
        {"force_n = 100\nmoving_mass_kg = 0\npayload_kg = 0\n", "add up to nothing"},
    };
    for (const auto& c : cases) {
        ShakerLimits limits;
        std::string error;
        EXPECT_FALSE(parseShakerText(c.text, "shaker file s.txt", limits, error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(error.rfind("shaker file s.txt", 0), 0u) << error;
    }
    ShakerLimits marked;
    std::string error;
    EXPECT_TRUE(parseShakerText("\xEF\xBB\xBFstroke_mm_pk_pk = 25.4\n", "s", marked, error)) << error;
    EXPECT_EQ(marked.strokeMmPkPk, 25.4) << "a byte-order mark is forgiven";
    EXPECT_TRUE(judgeShaker(ShakerLimits{}, {100.0, 100.0, 100.0}).feasible) << "no limits judged, none exceeded";
}
