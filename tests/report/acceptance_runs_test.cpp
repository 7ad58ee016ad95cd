#include "report/acceptance.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "real_run.h"

// The acceptance check and its guidance on real runs of the main program,
// each made so that one rule applies.

namespace {

AcceptanceOutcome judge(const RealRun& run, double q) {
    AcceptanceRules rules;
    rules.dampingRatio = 1.0 / (2.0 * q);
    AcceptanceOutcome outcome;
    std::string error;
    SpecText spec;
    RunFolder folder;
    EXPECT_TRUE(readSpecTextFile(run.judgedSpec(), spec, error) && readRunFolder(run.dir(), folder, error) &&
                judgeRun(spec, folder, rules, outcome, error))
        << error;
    return outcome;
}

}  // namespace

TEST(AcceptanceRuns, TheBundledExamplePassesAgainstTheOriginalSpecification) {
    const RealRun run(bundledExampleAnswers());
    ASSERT_EQ(run.exitStatus(), 0);
    const AcceptanceOutcome outcome = judge(run, 10.0);
    EXPECT_TRUE(outcome.passes);
    EXPECT_GE(outcome.worst.marginDb, 1.0) << "at " << outcome.worst.frequency << " Hz";
    // The extended specification carries the grid past 10 kHz.
    EXPECT_GT(outcome.run.lastGridFrequency, 10000.0);
    EXPECT_EQ(outcome.points.back().frequency, 10000.0);
    EXPECT_EQ(outcome.points.back().place, PointPlace::betweenGridPoints);
}

TEST(AcceptanceRuns, AShortfallAboveTheLastGridPointAsksForASpecificationPointOneStepUp) {
    // The original specification at 1/6 octave: the grid stops at 9051 Hz.
    const RealRun run(exampleAnswers("pyroshock.srs", 250, 2, 10, 50));
    const AcceptanceOutcome outcome = judge(run, 10.0);
    EXPECT_FALSE(outcome.passes);
    EXPECT_EQ(outcome.worst.place, PointPlace::aboveLastGridPoint);
    EXPECT_EQ(outcome.worst.frequency, 10000.0);
    EXPECT_NEAR(outcome.run.lastGridFrequency, 9050.97, 0.01);
    const AcceptanceGuidance& g = outcome.guidance;
    EXPECT_TRUE(g.extendSpecification);
    EXPECT_EQ(g.extensionFrequency, 10160.0);  // 9050.97 x 2^(1/6) = 10159.4, rounded up
    EXPECT_EQ(g.extensionLevel, 1000.0);
    EXPECT_FALSE(g.finerSpacing);
}

TEST(AcceptanceRuns, DipsBetweenGridPointsAskForAFinerSpacing) {
    // 1/3 octave at Q = 25: the response dips far between the grid points.
    const RealRun run(exampleAnswers("pyroshock-extended.srs", 320, 1, 25, 50));
    const AcceptanceOutcome outcome = judge(run, 25.0);
    EXPECT_FALSE(outcome.passes);
    EXPECT_EQ(outcome.worst.place, PointPlace::betweenGridPoints);
    EXPECT_TRUE(outcome.guidance.finerSpacing);
    EXPECT_EQ(outcome.guidance.suggestedSpacingChoice, 2);
    EXPECT_FALSE(outcome.guidance.extendSpecification);
}

TEST(AcceptanceRuns, AFarOffZpaAsksForTheZpaThatCentresTheSpectrum) {
    const RealRun run(exampleAnswers("pyroshock-extended.srs", 100, 2, 10, 50));
    const AcceptanceOutcome outcome = judge(run, 10.0);
    EXPECT_FALSE(outcome.passes);
    EXPECT_EQ(outcome.failedPoints, static_cast<int>(outcome.points.size()));
    const AcceptanceGuidance& g = outcome.guidance;
    EXPECT_TRUE(g.changeZpa);
    EXPECT_TRUE(g.zpaCanCentreAll);
    EXPECT_GT(g.zpaShiftDb, 4.0);
    EXPECT_NEAR(g.suggestedZpa, 100.0 * std::pow(10.0, g.zpaShiftDb / 20.0), 1e-9);
    // The whole spectrum is low: neither a finer grid nor a wider band mends that.
    EXPECT_FALSE(g.finerSpacing);
    EXPECT_FALSE(g.extendSpecification);
}
