#include "report/acceptance.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/analysis_grid.h"
#include "report/band_file.h"
#include "spec/spec_level.h"

namespace {

SpecTable specOf(const std::vector<std::pair<double, double>>& points) {
    SpecTable spec;
    for (const auto& [f, level] : points) {
        spec.frequency[spec.count] = f;
        spec.level[spec.count] = level;
        ++spec.count;
    }
    computeSlopes(spec);
    return spec;
}

// A flat specification of level 1 from 10 Hz to 1000 Hz: every deviation in
// dB is 20 log10 of the response itself, exact for powers of ten.
struct FlatCase {
    SpecTable spec = specOf({{10.0, 1.0}, {1000.0, 1.0}});
    AcceptanceOutcome outcome;

    FlatCase(const AcceptanceRules& rules, const std::vector<double>& frequencies, const std::vector<double>& positive,
             const std::vector<double>& negative, const std::vector<double>& grid) {
        outcome.rules = rules;
        outcome.gridFrequencies = grid;
        outcome.run.zpa = 100.0;
        outcome.run.spacingChoice = 2;
        outcome.run.lastGridFrequency = grid.back();
        judgeSpectrum(spec, {frequencies, positive, negative}, outcome);
    }
};

AcceptanceRules wideRules() {
    AcceptanceRules rules;
    rules.outer = {-20.0, 20.0};
    return rules;
}

}  // namespace

TEST(AnalysisGrid, RunsFromEndToEndThroughEveryBreakpointAtTheChosenSpacing) {
    const SpecTable spec = specOf({{100.0, 30.0}, {1000.0, 1000.0}, {10000.0, 1000.0}});
    const struct {
        int perOctave;
        std::size_t count;
    } cases[] = {{6, 41}, {12, 81}, {24, 161}};
    for (const auto& c : cases) {
        const std::vector<double> grid = buildAnalysisGrid(spec, c.perOctave);
        ASSERT_EQ(grid.size(), c.count) << c.perOctave;
        EXPECT_EQ(grid.front(), 100.0);
        EXPECT_EQ(grid.back(), 10000.0);
        EXPECT_EQ(grid[(c.count - 1) / 2], 1000.0) << "the breakpoint itself";
        const double step = std::pow(2.0, 1.0 / c.perOctave);
        for (std::size_t i = 1; i < grid.size(); ++i) {
            const double ratio = grid[i] / grid[i - 1];
            EXPECT_LE(ratio, step * (1.0 + 1e-12)) << c.perOctave << " at " << grid[i];
            EXPECT_GE(ratio, std::pow(step, 0.25)) << c.perOctave << " at " << grid[i];
        }
    }
    EXPECT_EQ(buildAnalysisGrid(specOf({{50.0, 1.0}}), 12), std::vector<double>{50.0});
}

TEST(BandFile, ReadsRowsAndRefusesBadOnesByLine) {
    std::vector<BandRow> rows;
    std::string error;
    ASSERT_TRUE(parseBandText("# a standard's band\n\n100 3000 -3 6  # low band\n3000 10000 -6 9\n", "band.txt", rows,
                              error))
        << error;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].fromHz, 3000.0);
    EXPECT_EQ(rows[1].band.lowDb, -6.0);
    // Inside a row its band; on a shared boundary both rows hold; elsewhere the fallback.
    EXPECT_EQ(bandAt(rows, 5000.0, {-1.0, 1.0}).highDb, 9.0);
    EXPECT_EQ(bandAt(rows, 3000.0, {-1.0, 1.0}).lowDb, -3.0);
    EXPECT_EQ(bandAt(rows, 3000.0, {-1.0, 1.0}).highDb, 6.0);
    EXPECT_EQ(bandAt(rows, 20000.0, {-1.0, 1.0}).lowDb, -1.0);

    const struct {
        const char* text;
        const char* message;
    } bad[] = {
        {"100 3000 -3\n", "line 1: expected four numbers"},
        {"# only a comment\n", "no band rows"},
        {"100 3000 -3 six\n", "\"six\" is not a finite number"},
        {"100 3000 -3 nan\n", "\"nan\" is not a finite number"},
        {"3000 100 -3 6\n", "from_Hz below to_Hz"},
        {"0 100 -3 6\n", "positive"},
        {"100 3000 6 -3\n", "low_dB must not be above high_dB"},
        {"100 3000 -3 6\n2000 5000 -3 6\n", "line 2: the row starts below the end of the row before it"},
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(parseBandText(b.text, "band.txt", rows, error)) << b.text;
        EXPECT_NE(error.find("band.txt"), std::string::npos) << error;
        EXPECT_NE(error.find(b.message), std::string::npos) << error;
    }
    EXPECT_FALSE(readBandFile("/nonexistent/band.txt", rows, error));
    EXPECT_NE(error.find("cannot open band file /nonexistent/band.txt"), std::string::npos) << error;
}

TEST(AcceptanceOptions, ReadEveryJudgingOptionAndRefuseBadValues) {
    const std::vector<std::string> args = {"--tolerance", "-2,4",     "--inner=-1,2", "--inner-share", "75",
                                           "--polarity",  "both",     "--analysis-spacing=24",          "--q",
                                           "25",          "spec.srs"};
    CommandLine line;
    std::string error;
    ASSERT_TRUE(splitCommandLine(args, acceptanceOptionNames(), line, error)) << error;
    EXPECT_EQ(line.positional, std::vector<std::string>{"spec.srs"});
    AcceptanceRules rules;
    for (const GivenOption& option : line.options) {
        bool applied = false;
        ASSERT_TRUE(applyAcceptanceOption(option, rules, applied, error)) << error;
        EXPECT_TRUE(applied) << option.name;
    }
    EXPECT_EQ(rules.outer.lowDb, -2.0);
    EXPECT_EQ(rules.outer.highDb, 4.0);
    ASSERT_TRUE(rules.inner);
    EXPECT_EQ(rules.inner->highDb, 2.0);
    EXPECT_EQ(rules.innerSharePercent, 75.0);
    EXPECT_EQ(rules.polarity, Polarity::both);
    EXPECT_EQ(rules.analysisPointsPerOctave, 24);
    EXPECT_EQ(*rules.dampingRatio, 0.02);

    const std::vector<std::vector<std::string>> bad = {
        {"--tolerance", "6,-3"}, {"--inner", "1"},           {"--inner-share", "120"}, {"--polarity", "positive"},
        {"--analysis-spacing", "3"}, {"--damping", "1"},     {"--q", "0.4"},           {"--tolerance", "1.5,3"},
        {"--inner", "-3,-1"},    {"--tolerance"},            {"--max-velocity", "1"},
    };
    for (const auto& b : bad) {
        rules = AcceptanceRules{};
        error.clear();
        bool valid = splitCommandLine(b, acceptanceOptionNames(), line, error);
        for (const GivenOption& option : line.options) {
            bool applied = false;
            valid = valid && applyAcceptanceOption(option, rules, applied, error);
        }
        EXPECT_FALSE(valid) << b[0];
        EXPECT_FALSE(error.empty());
    }
    // A band file is read once the command line is whole.
    rules = AcceptanceRules{};
    bool applied = false;
    ASSERT_TRUE(applyAcceptanceOption({"--band-file", "/nonexistent"}, rules, applied, error));
    std::optional<ShakerLimits> noShaker;
    EXPECT_FALSE(readCheckFiles(rules, "", noShaker, error));
    EXPECT_NE(error.find("cannot open band file /nonexistent"), std::string::npos) << error;
}

TEST(AcceptanceJudging, PointsOnAnEdgePassAndJustOutsideFail) {
    // +20 dB, -20 dB (both exact), just above +20 dB; the grid has 100 Hz.
    const FlatCase edge(wideRules(), {10.0, 100.0, 1000.0}, {10.0, 0.1, 10.0001}, {0.1, 0.1, 1.0},
                        {10.0, 100.0, 200.0});
    const std::vector<AnalysisPoint>& p = edge.outcome.points;
    ASSERT_EQ(p[0].maximaxDb, 20.0);
    EXPECT_TRUE(p[0].passes);
    EXPECT_EQ(p[0].marginDb, 0.0);
    EXPECT_TRUE(p[1].passes);  // maximax is the negative SRS's 0.1
    EXPECT_EQ(p[1].maximaxDb, -20.0);
    EXPECT_FALSE(p[2].passes);
    EXPECT_FALSE(edge.outcome.passes);
    EXPECT_EQ(edge.outcome.failedPoints, 1);
    EXPECT_EQ(edge.outcome.worst.frequency, 1000.0);
    EXPECT_TRUE(edge.outcome.worst.upperEdge);
    EXPECT_LT(edge.outcome.worst.marginDb, 0.0);
    EXPECT_EQ(p[0].place, PointPlace::onGridPoint);
    EXPECT_EQ(p[1].place, PointPlace::onGridPoint);
    EXPECT_EQ(p[2].place, PointPlace::aboveLastGridPoint);
}

TEST(AcceptanceJudging, BothPolaritiesMustFitWhereMaximaxNeedsOnlyTheLarger) {
    // Positive on the specification, negative at a twentieth of it (-26 dB).
    const std::vector<double> f = {10.0, 50.0}, pos = {1.0, 1.0}, neg = {0.05, 1.0}, grid = {10.0, 20.0, 40.0, 80.0};
    AcceptanceRules rules;  // -3 / +6 dB
    const FlatCase maximax(rules, f, pos, neg, grid);
    EXPECT_TRUE(maximax.outcome.passes);
    rules.polarity = Polarity::both;
    const FlatCase both(rules, f, pos, neg, grid);
    EXPECT_FALSE(both.outcome.passes);
    EXPECT_EQ(both.outcome.worst.frequency, 10.0);
    EXPECT_NEAR(both.outcome.worst.deviationDb, -26.02, 0.01);
    EXPECT_FALSE(both.outcome.worst.upperEdge);
    EXPECT_EQ(both.outcome.points[1].place, PointPlace::betweenGridPoints);
}

TEST(AcceptanceJudging, TheInnerBandNeedsItsShareOfPoints) {
    // Ten points inside the outer band, eight of them within +-1 dB.
    std::vector<double> f, pos, neg;
    for (int i = 0; i < 10; ++i) {
        f.push_back(10.0 * std::pow(2.0, i * 0.5));
        pos.push_back(i < 8 ? 1.0 : 1.5);  // 1.5 is +3.5 dB
        neg.push_back(0.5);
    }
    AcceptanceRules rules;
    rules.inner = DbBand{-1.0, 1.0};
    rules.innerSharePercent = 90.0;
    const FlatCase strict(rules, f, pos, neg, f);
    EXPECT_TRUE(strict.outcome.outerPasses);
    EXPECT_DOUBLE_EQ(strict.outcome.innerSharePercent, 80.0);
    EXPECT_FALSE(strict.outcome.innerPasses);
    EXPECT_FALSE(strict.outcome.passes);
    rules.innerSharePercent = 80.0;
    EXPECT_TRUE(FlatCase(rules, f, pos, neg, f).outcome.passes);
}

TEST(AcceptanceJudging, BandFileRowsReplaceTheToleranceWhereTheyApply) {
    AcceptanceRules rules;  // -3 / +6 dB elsewhere
    std::string error;
    ASSERT_TRUE(parseBandText("100 1000 -1 1\n", "band.txt", rules.bandRows, error)) << error;
    // 0.8 is -1.9 dB: inside -3 dB at 50 Hz, outside -1 dB at 200 Hz.
    const FlatCase judged(rules, {50.0, 200.0}, {0.8, 0.8}, {0.8, 0.8}, {50.0, 100.0, 200.0});
    EXPECT_TRUE(judged.outcome.points[0].passes);
    EXPECT_FALSE(judged.outcome.points[1].passes);
    EXPECT_EQ(judged.outcome.points[1].band.lowDb, -1.0);
}
