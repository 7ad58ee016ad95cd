#include "fit/attempt_choice.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fit/fit_options.h"
#include "fit/fit_record.h"
#include "fit/fit_specification.h"

namespace {

const std::string pyroshock = "  100     30\n 1000   1000\n10000   1000\n";

AttemptPlan plannedFor(const std::string& specText, const std::vector<std::string>& args = {}) {
    std::vector<std::string> all{"shock test.srs", "out"};
    all.insert(all.end(), args.begin(), args.end());
    FitOptions options;
    std::string error;
    EXPECT_TRUE(parseFitOptions(all, options, error)) << error;
    return firstPlan(options, options.specPath, specText);
}

}  // namespace

TEST(FitAnswers, FirstAttemptAnswersInDialogueOrderWithExactNumbers) {
    // 2 / 30 Hz has no short decimal; the answer must read back as the same double.
    const AttemptPlan plan = plannedFor("30 5\n2000 800\n", {"--spacing", "12", "--trials=40", "--units", "2"});
    // At 1/12 octave from 30 Hz the grid stops at 1920 Hz: the first attempt
    // already carries the point a step above it.
    const std::vector<std::string> expected{
        "specification_extended.srs", "266.7", "3", "2", "10", "0.06666666666666667", "40", "2", "1"};
    EXPECT_EQ(answerLines(plan.answers), expected);
    EXPECT_EQ(std::stod(answerLines(plan.answers)[5]), 2.0 / 30.0);
    EXPECT_EQ(answersText(plan.answers).back(), '\n');
    EXPECT_EQ(plan.specText, "30 5\n2000 800\n2035 800\n");
}

TEST(FitAnswers, GivenZpaAndDurationAreKept) {
    const AttemptPlan plan = plannedFor(pyroshock, {"--zpa", "712.5", "--duration", "0.1", "--q", "25"});
    EXPECT_EQ(plan.answers.zpa, 712.5);
    EXPECT_EQ(plan.answers.duration, 0.1);
    EXPECT_EQ(plan.answers.q, 25.0);
    EXPECT_EQ(plan.answers.spacingChoice, 3);
}

TEST(FitOptionsTest, RefusesWhatTheProgramCouldNotRun) {
    const std::vector<std::vector<std::string>> refused{
        {"spec.srs"},
        {"spec.srs", "out", "extra"},
        {"spec.srs", "out", "--spacing", "24"},
        {"spec.srs", "out", "--trials", "0"},
        {"spec.srs", "out", "--trials", "8001"},
        {"spec.srs", "out", "--q", "0.5"},
        {"spec.srs", "out", "--units", "4"},
        {"spec.srs", "out", "--zpa", "-3"},
        {"spec.srs", "out", "--attempts", "0"},
        {"spec.srs", "out", "--attempts"},
        {"spec.srs", "out", "--unknown", "1"},
        {"spec.srs", "out", "--export", "csv,xls"},  // before the search, not after it
        {"spec.srs", "out", "--export", ""},
        {"spec.srs", "out", "--passes", "-1"},
        {"spec.srs", "out", "--aim", "middle"},
        {"spec.srs", "out", "--export-failed"},  // nothing to export
        {"spec.srs", "out", "--duration", "0.5", "--max-duration", "0.4"},
    };
    for (const std::vector<std::string>& args : refused) {
        FitOptions options;
        std::string error;
        EXPECT_FALSE(parseFitOptions(args, options, error)) << args.back();
        EXPECT_FALSE(error.empty());
    }
}

TEST(FitSpecification, ExtensionAppendsOnePointAndKeepsTheOriginalLines) {
    const std::string unterminated = "100 30\n1000 1000\n10000 1000";
    const std::string extended = extendedSpecText(unterminated, 11224.620483093729, 1000.0);
    EXPECT_EQ(extended, unterminated + "\n11224.62048309373 1000\n");
    SpecTable table;
    ASSERT_TRUE(readSpecificationText(extended, table));
    ASSERT_EQ(table.count, 4);
    EXPECT_EQ(table.frequency[3], 11224.620483093729);
    EXPECT_EQ(extendedSpecFileName("pyroshock.srs"), "pyroshock_extended.srs");
    EXPECT_EQ(extendedSpecFileName("pyroshock_extended.srs"), "pyroshock_extended.srs");
    EXPECT_EQ(specFileNameFor("/a/b/pyroshock.srs"), "pyroshock.srs");
    EXPECT_EQ(specFileNameFor("/a/b/srs.out"), "specification.srs");  // the run would overwrite it
    EXPECT_EQ(specFileNameFor("/a/b/history.csv"), "specification.srs");  // so would an export
    EXPECT_FALSE(readSpecificationText("", table));
}

TEST(FitChoice, EachFindingChangesWhatItPointsAt) {
    struct Case {
        const char* name;
        int pointsPerOctave;
        AcceptanceGuidance guidance;
        double zpa;
        int spacingChoice;
        bool extended;
        bool passes = false;
    };
    const std::vector<Case> cases{
        {"a pass well off the band's centre", 6, {.suggestedZpa = 420.0, .zpaShiftDb = 2.0}, 420.0, 2, false, true},
        {"a pass near the centre", 6, {.suggestedZpa = 340.0, .zpaShiftDb = 0.2}, 333.3, 2, false, true},
        {"zpa, rounded to four digits", 6, {.suggestedZpa = 312.34567, .changeZpa = true}, 312.3, 2, false},
        {"zpa shift too small to matter", 6, {.suggestedZpa = 334.0, .changeZpa = false}, 333.3, 2, false},
        {"finer spacing", 3, {.finerSpacing = true, .suggestedSpacingChoice = 2}, 333.3, 2, false},
        {"extension above the last point",
         6,
         {.extendSpecification = true, .extensionFrequency = 10159.366732596478, .extensionLevel = 1000.0},
         333.3,
         2,
         true},
        {"extension not above the last point",
         6,
         {.extendSpecification = true, .extensionFrequency = 10000.0, .extensionLevel = 1000.0},
         333.3,
         2,
         false},
    };
    for (const Case& c : cases) {
        AttemptPlan last = plannedFor(pyroshock, {"--spacing", std::to_string(c.pointsPerOctave)});
        // As a plan before its extension.
        last.specText = pyroshock;
        last.extended = false;
        last.answers.specFileName = "specification.srs";
        AcceptanceOutcome outcome;
        outcome.guidance = c.guidance;
        outcome.passes = c.passes;
        const AttemptPlan next = nextPlan(last, outcome);
        EXPECT_EQ(next.answers.zpa, c.zpa) << c.name;
        EXPECT_EQ(next.answers.spacingChoice, c.spacingChoice) << c.name;
        EXPECT_EQ(next.extended, c.extended) << c.name;
        EXPECT_EQ(next.specText == last.specText, !c.extended) << c.name;
        EXPECT_EQ(next.answers.specFileName, c.extended ? "specification_extended.srs" : "specification.srs")
            << c.name;
        EXPECT_EQ(next.answers.duration, last.answers.duration) << c.name;
        EXPECT_EQ(samePlan(next, last), c.zpa == 333.3 && !c.extended && c.spacingChoice == last.answers.spacingChoice)
            << c.name;
    }
}

// The lowest peak among the histories on the aim that pass and fit; else one
// that passes and fits, the nearest the aim; else the nearest to fitting;
// else the largest margin. A refused attempt never.
TEST(FitRecord, KeepsTheLowestPeakOnTheAimThatFitsOtherwiseTheNearest) {
    auto recordWith = [](int number, double marginDb, bool passes, double stroke = 0.5, bool onAim = false,
                         double peakG = 100.0, double deviationDb = 1.0) {
        AttemptRecord record;
        record.number = number;
        record.outcome.worst.marginDb = marginDb;
        record.outcome.passes = passes;
        record.outcome.spread = {-deviationDb, deviationDb, 0.0, 1.0};
        record.meetsAim = onAim;
        record.peaks.accelerationG = peakG;
        ShakerLimits limits;
        limits.strokeMmPkPk = 10.0;
        limits.usableShare = 1.0;
        record.shaker = judgeShaker(limits, {stroke * 5.0, 0.0, 0.0});
        return record;
    };
    AttemptRecord refused = recordWith(9, 5.0, true, 0.1, true, 1.0);
    refused.refusal = "the duration holds too many samples";
    const struct {
        const char* what;
        std::vector<AttemptRecord> records;
        int chosen;
    } cases[] = {
        {"the lowest peak on the aim",
         {recordWith(1, 3.0, true, 0.5, true, 330.0), recordWith(2, 2.0, true, 0.5, true, 290.0),
          recordWith(3, 2.5, true, 0.5, false, 250.0), refused},
         1},
        {"equal peaks: the smaller share of the stroke",
         {recordWith(1, 3.0, true, 0.9, true, 290.0), recordWith(2, 2.0, true, 0.6, true, 290.0)}, 1},
        {"none on the aim: the nearest it",
         {recordWith(1, 3.0, true, 0.5, false, 100.0, 2.5), recordWith(2, 1.0, true, 0.5, false, 200.0, 1.5)}, 1},
        {"none passes: the largest margin, never not-a-number",
         {recordWith(1, -4.0, false), recordWith(2, -0.5, false), recordWith(3, std::nan(""), false),
          recordWith(4, -0.5, false)},
         1},
        {"passing but over the stroke: the nearest to fitting",
         {recordWith(1, 2.0, true, 1.5), recordWith(2, 0.2, true, 1.1), recordWith(3, 3.0, false, 0.5)}, 1},
        {"one that fits before the nearest", {recordWith(1, 2.0, true, 1.5), recordWith(2, 0.2, true, 0.9)}, 1},
        {"only refused attempts", {refused}, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(chosenAttemptIndex(c.records), c.chosen) << c.what;
}

TEST(FitRecord, ProgressLineTellsTheRefinementDeviationPeaksSharesAndVerdict) {
    AttemptRecord record;
    record.number = 2;
    record.plan = plannedFor(pyroshock, {"--zpa", "312.5"});
    auto results = std::make_shared<RunResults>();
    results->acceleration = {0.0, -312.5, 100.0};
    results->velocity = {0.0, 1.25, 2.5, 0.0};
    results->displacement = {0.0, 0.001, 0.002, 0.0};
    record.results = results;
    record.outcome.spread = {-1.234, 0.5, -0.25, 0.875};
    EXPECT_EQ(progressLine(record),
              " attempt 2: 1/12 octave, specification extended, 0.02 s, integer 1, ZPA 312.5: -1.23 to +0.50 dB,"
              " median -0.25 dB, 88% within +-1 dB; peaks 312.5 G, 2.500 in/sec, 0.002000 in: FAIL\n");
    record.outcome.rules.inner = DbBand{-1.5, 3.0};
    record.outcome.innerSharePercent = 87.6543;
    record.outcome.passes = true;
    record.refinementPasses = 1;
    auto refined = std::make_shared<RefinedRun>();
    refined->results = *results;
    record.refined = refined;
    ShakerLimits limits;
    limits.strokeMmPkPk = 10.0;
    limits.velocityMs = 2.0;
    limits.usableShare = 0.5;
    record.shaker = judgeShaker(limits, {3.0, 0.4, 50.0});
    const std::string line = progressLine(record);
    EXPECT_EQ(line.substr(line.find("integer 1")), "integer 1, refined in 1 pass: -1.23 to +0.50 dB, median -0.25 dB, "
                                                   "88% within +-1 dB, 87.7% within the inner band; peaks 312.5 G, "
                                                   "2.500 in/sec, 0.002000 in, stroke 120%, velocity 40%: PASS, but "
                                                   "not on the shaker\n");
    record.refusal = "the duration holds too many samples";
    EXPECT_EQ(progressLine(record), " attempt 2: 1/12 octave, specification extended, 0.02 s, integer 1: kolvane_zpa "
                                    "refused it (the duration holds too many samples)\n");
}
