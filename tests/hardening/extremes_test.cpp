// Runs at the limits of the run state's capacities go to the end with every
// file in place.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hardening/guarded_run.h"
#include "run_program.h"

namespace {

class Extremes : public ::testing::Test {
protected:
    void SetUp() override { dir = makeTempDir(); }
    void TearDown() override { removeTree(dir); }
    std::size_t lineCount(const std::string& name) const { return splitLines(readFile(dir + "/" + name)).size(); }

    GuardedRun run(const std::string& spec, const std::string& answers, int status = 0) {
        writeFile(dir + "/x.srs", spec);
        GuardedRun result = runGuarded(dir, "x.srs " + answers, 600);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.errors, "");
        EXPECT_EQ(result.exitStatus, status) << result.console.substr(result.console.size() > 400 ? result.console.size() - 400 : 0);
        return result;
    }
    std::string dir;
};

std::string exactly(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST_F(Extremes, LargestGridThatPassesTheSampleCount) {
    // The duration is at least 1.5 / f_first and the sample count is below
    // 150000, so f_last / f_first stays below 8333.3: at 1/12 octave from 1 Hz
    // to 8333 Hz that is 157 grid points and 149994 samples. One grid point more
    // needs 8693 Hz and is refused.
    const GuardedRun widest = run("1 1\n8333 1\n", "1 3 1 0.05 1.5 1 1 1\n");
    EXPECT_EQ(widest.console.find("Warning"), std::string::npos);
    EXPECT_EQ(lineCount("srs.out"), 157u);
    EXPECT_EQ(lineCount("wavelet.out"), 2u + 157u);
    // 99996 samples per second is above 10000 and stays.
    const double timeStep = 1.0 / (1.0 / (1.0 / (12.0 * 8333.0)));
    EXPECT_EQ(lineCount("accel.out"), static_cast<std::size_t>(1.5 / timeStep));

    writeFile(dir + "/x.srs", "1 1\n8693 1\n");
    const GuardedRun refused = runGuarded(dir, "x.srs 1 3 1 0.05 1.5 1 1 1\n", 60);
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_NE(refused.console.find("\n\n Error: too many samples.\n\n"), std::string::npos);
}

TEST_F(Extremes, RecordAlmostFiveTimesLongerAtTheOutputRate) {
    // 12 x 83.334 Hz is 1000.008 samples per second, just above 1000, which the
    // results step raises to 5000. The duration gives a run of 149999 samples.
    const double timeStep = 1.0 / (12.0 * 83.334);
    const double duration = 149999.5 * timeStep;
    ASSERT_EQ(static_cast<int>(duration / timeStep), 149999);
    const GuardedRun result = run("10 1\n83.334 10\n", "1 1 1 0.05 " + exactly(duration) + " 1 1 1\n");
    EXPECT_EQ(result.console.find("Warning"), std::string::npos);
    const std::size_t outputSamples = static_cast<std::size_t>(duration / (1.0 / 5000.0));
    EXPECT_GT(outputSamples, 749000u);
    EXPECT_EQ(lineCount("accel.out"), outputSamples);
    EXPECT_EQ(lineCount("velox.out"), outputSamples + 1);
    EXPECT_EQ(lineCount("disp.out"), outputSamples + 1);
    EXPECT_EQ(lineCount("srs.out"), 10u);
}

TEST_F(Extremes, EightThousandTrialsWithSevenIntermediateOutputs) {
    // One grid point and 18 samples a trial; 8001 trials are capped to 8000.
    // The optimum's single wavelet is scaled to an amplitude of -0: its
    // files are all written, and the run ends as a failure, not a success.
    const GuardedRun result = run("10 1\n", "1 1 1 0.05 0.15 8001 1 1\n", 1);
    EXPECT_NE(result.console.find("\n\n Error: the optimum's history is not finite, or is all zero.\n\n"),
              std::string::npos);
    EXPECT_EQ(countOf(result.console, "\n\n intermediate output \n"), 7);
    EXPECT_EQ(countOf(result.console, "\n\n Optimum case = "), 8);
    EXPECT_NE(result.console.find("\n 7999 "), std::string::npos);
    EXPECT_EQ(result.console.find("\n 8000 "), std::string::npos);
    EXPECT_EQ(lineCount("rank.out"), 8000u);
    const std::vector<std::string> rows = splitLines(readFile(dir + "/trials.out"));
    ASSERT_EQ(rows.size(), 4u + 8000u);
    EXPECT_EQ(rows.back().substr(0, 6), " 7999 ");
}

TEST_F(Extremes, SkipCountOfAThousand) {
    const std::string answers = "2 1 1 0.05 0.2 4 1 1000\n";
    const GuardedRun first = run("10 1\n100 10\n", answers);
    EXPECT_EQ(countOf(readFile(dir + "/trials.out"), "\n"), 4 + 4);
    const GuardedRun again = run("10 1\n100 10\n", answers);
    EXPECT_EQ(again.console, first.console);
    const GuardedRun noSkip = run("10 1\n100 10\n", "2 1 1 0.05 0.2 4 1 1\n");
    EXPECT_NE(noSkip.console, first.console);
}
