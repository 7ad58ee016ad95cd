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
    const std::vector<std::string> expected{
        "specification.srs", "266.7", "3", "2", "10", "0.06666666666666667", "40", "2", "1"};
    EXPECT_EQ(answerLines(plan.answers), expected);
    EXPECT_EQ(std::stod(answerLines(plan.answers)[5]), 2.0 / 30.0);
    EXPECT_EQ(answersText(plan.answers).back(), '\n');
}

TEST(FitAnswers, GivenZpaAndDurationAreKept) {
    const AttemptPlan plan = plannedFor(pyroshock, {"--zpa", "712.5", "--duration", "0.1", "--q", "25"});
    EXPECT_EQ(plan.answers.zpa, 712.5);
    EXPECT_EQ(plan.answers.duration, 0.1);
    EXPECT_EQ(plan.answers.q, 25.0);
    EXPECT_EQ(plan.answers.spacingChoice, 2);
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

TEST(FitRecord, KeepsTheLargestMarginThatFitsOtherwiseTheNearest) {
    auto recordWith = [](int number, double marginDb, bool passes, double stroke = 0.5) {
        AttemptRecord record;
        record.number = number;
        record.outcome.worst.marginDb = marginDb;
        record.outcome.passes = passes;
        ShakerLimits limits;
        limits.strokeMmPkPk = 10.0;
        limits.usableShare = 1.0;
        record.shaker = judgeShaker(limits, {stroke * 5.0, 0.0, 0.0});
        return record;
    };
    EXPECT_EQ(chosenAttemptIndex({recordWith(1, -4.0, false), recordWith(2, 0.5, true), recordWith(3, 1.0, true),
                                  recordWith(4, 1.0, true)}),
              2);
    EXPECT_EQ(chosenAttemptIndex({recordWith(1, -4.0, false), recordWith(2, -0.5, false),
                                  recordWith(3, std::nan(""), false), recordWith(4, -0.5, false)}),
              1);
    // Passing histories that need too much stroke: the nearest to fitting,
    // unless one fits.
    EXPECT_EQ(chosenAttemptIndex({recordWith(1, 2.0, true, 1.5), recordWith(2, 0.2, true, 1.1),
                                  recordWith(3, 3.0, false, 0.5)}),
              1);
    EXPECT_EQ(chosenAttemptIndex({recordWith(1, 2.0, true, 1.5), recordWith(2, 0.2, true, 0.9)}), 1);
}

TEST(FitRecord, ProgressLineTellsZpaSpacingMarginPlaceAndVerdict) {
    AttemptRecord record;
    record.number = 2;
    record.plan = plannedFor(pyroshock, {"--zpa", "312.5"});
    record.plan.extended = true;
    record.outcome.worst = {9051.0, -1.234, PointPlace::aboveLastGridPoint};
    EXPECT_EQ(progressLine(record),
              " attempt 2: ZPA 312.5, 1/6 octave, specification extended, 0.02 s, integer 1, worst margin -1.23 dB"
              " at 9051.0 Hz (above the last grid point): FAIL\n");
    record.outcome.rules.inner = DbBand{-1.5, 3.0};
    record.outcome.innerSharePercent = 87.6543;
    record.outcome.worst.marginDb = 0.5;
    EXPECT_EQ(progressLine(record),
              " attempt 2: ZPA 312.5, 1/6 octave, specification extended, 0.02 s, integer 1, worst margin +0.50 dB"
              " at 9051.0 Hz (above the last grid point), 87.7% within the inner band: FAIL\n");
    record.outcome.passes = true;
    ShakerLimits limits;
    limits.strokeMmPkPk = 10.0;
    limits.velocityMs = 2.0;
    limits.usableShare = 0.5;
    record.shaker = judgeShaker(limits, {3.0, 0.4, 50.0});
    EXPECT_EQ(progressLine(record).substr(progressLine(record).find("inner band")),
              "inner band, stroke 120%, velocity 40%: PASS, but not on the shaker\n");
}
