#include "spec/spec_level.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "run_folder/run_folder.h"
#include "scratch_run.h"

namespace {

SpecTable readSpec(const ScratchRun& run, const std::string& text, std::string& error) {
    run.write("spec.srs", text);
    SpecTable spec;
    EXPECT_TRUE(readSpecification(run.path("spec.srs"), spec, error)) << error;
    return spec;
}

}  // namespace

TEST(SpecLevel, InterpolatesOnLogLogAxesBetweenPoints) {
    ScratchRun run;
    std::string error;
    const SpecTable spec = readSpec(run, "10 1\n2000 100\n", error);
    EXPECT_NEAR(spec.slope[0], 0.869176, 1e-6);
    EXPECT_NEAR(specLevelAt(spec, 12.5992), 1.22241, 1e-5);
    EXPECT_NEAR(specLevelAt(spec, 20.0), 1.82662, 1e-5);
    // The straight line between the neighbours, level[k-1] * (f / frequency[k-1])^slope.
    EXPECT_NEAR(specLevelAt(spec, 1612.70), 1.0 * std::pow(161.270, spec.slope[0]), 1e-9);
}

TEST(SpecLevel, SpecificationPointsGiveTheFileLevelExactly) {
    ScratchRun run;
    std::string error;
    const SpecTable spec = readSpec(run, "100 30\n1000 1000\n10000 1000\n", error);
    EXPECT_EQ(specLevelAt(spec, 100.0), 30.0);
    EXPECT_EQ(specLevelAt(spec, 1000.0), 1000.0);
    EXPECT_EQ(specLevelAt(spec, 10000.0), 1000.0);
    // Just either side of the corner the neighbouring segments take over.
    EXPECT_LT(specLevelAt(spec, 999.999), 1000.0);
    EXPECT_NEAR(specLevelAt(spec, 5000.0), 1000.0, 1e-9);
}

TEST(SpecLevel, OutsideTheRangeTheEndSegmentsExtend) {
    ScratchRun run;
    std::string error;
    const SpecTable two = readSpec(run, "10 1\n100 10\n", error);
    EXPECT_NEAR(specLevelAt(two, 1000.0), 100.0, 1e-9);
    EXPECT_NEAR(specLevelAt(two, 1.0), 0.1, 1e-12);
    const SpecTable one = readSpec(run, "50 7\n", error);
    EXPECT_EQ(specLevelAt(one, 80.0), 7.0);
}

TEST(SpecReading, PairsRunThroughAnyLineStructure) {
    ScratchRun run;
    std::string error;
    const SpecTable oneLine = readSpec(run, "10 1 2000 100", error);
    const SpecTable fourLines = readSpec(run, "10\n1\n2000\n100\n", error);
    ASSERT_EQ(oneLine.count, 2);
    ASSERT_EQ(fourLines.count, 2);
    EXPECT_EQ(oneLine.frequency[1], fourLines.frequency[1]);
    EXPECT_EQ(oneLine.level[1], fourLines.level[1]);
}
