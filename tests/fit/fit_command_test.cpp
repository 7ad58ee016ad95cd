#include "fit/fit_app.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_program.h"

namespace fs = std::filesystem;

namespace {

const std::string pyroshockSpec = std::string(KOLVANE_SOURCE_DIR) + "/examples/pyroshock.srs";
const char* const programFiles[] = {"trials.out", "rank_d.out", "rank.out", "wavelet.out", "accel.out",
                                    "velox.out",  "disp.out",   "srs.out",  "run.out"};

struct Fit {
    int status = -1;
    std::string out;
    std::string err;
    std::string dir;
};

// Few trials keep the sanitizer build quick; the rules are the report's defaults.
Fit fitInto(const std::string& scratch, const std::string& spec, std::vector<std::string> options) {
    Fit fit;
    fit.dir = scratch + "/fit";
    std::vector<std::string> args{spec, fit.dir, "--trials", "40"};
    args.insert(args.end(), options.begin(), options.end());
    std::ostringstream out;
    std::ostringstream err;
    fit.status = runFit(args, out, err);
    fit.out = out.str();
    fit.err = err.str();
    return fit;
}

// The attempts' lines in fit.json, one string per attempt.
std::vector<std::string> attemptEntries(const std::string& json) {
    std::vector<std::string> entries;
    std::size_t at = json.find("\"attempt\": ");
    while (at != std::string::npos) {
        const std::size_t next = json.find("\"attempt\": ", at + 1);
        entries.push_back(json.substr(at, next == std::string::npos ? std::string::npos : next - at));
        at = next;
    }
    return entries;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class FitCommand : public testing::Test {
protected:
    void SetUp() override { scratch_ = makeTempDir(); }
    void TearDown() override { removeTree(scratch_); }
    std::string scratch_;
};

}  // namespace

TEST_F(FitCommand, AFarOffFirstZpaPassesAfterAZpaChange) {
    const Fit fit = fitInto(scratch_, pyroshockSpec, {"--zpa", "2000", "--spacing", "12"});
    ASSERT_EQ(fit.status, fitPassed) << fit.out << fit.err;
    const std::vector<std::string> attempts = attemptEntries(readFile(fit.dir + "/fit.json"));
    ASSERT_GE(attempts.size(), 2u);
    EXPECT_TRUE(contains(attempts.front(), "\"zpa\": 2000,")) << attempts.front();
    EXPECT_TRUE(contains(attempts.front(), "\"passes\": false"));
    EXPECT_FALSE(contains(attempts.back(), "\"zpa\": 2000,"));
    EXPECT_TRUE(contains(attempts.back(), "\"passes\": true"));
    EXPECT_EQ(splitLines(fit.out).size(), attempts.size() + 2) << fit.out;  // a line each, a blank, the verdict
    EXPECT_TRUE(contains(fit.out, " PASS: attempt " + std::to_string(attempts.size())));
}

// The 10 kHz specification's last 1/6-octave grid point lies at 9051 Hz: the
// response above it falls short until the specification goes one step further.
// The kept folder then replays through the real program.
TEST_F(FitCommand, TheUnextendedPyroshockPassesAfterTheExtensionAndItsAnswersReplay) {
    const Fit fit = fitInto(scratch_, pyroshockSpec, {"--spacing", "6"});
    ASSERT_EQ(fit.status, fitPassed) << fit.out << fit.err;
    const std::string json = readFile(fit.dir + "/fit.json");
    const std::vector<std::string> attempts = attemptEntries(json);
    ASSERT_GE(attempts.size(), 2u);
    EXPECT_TRUE(contains(attempts.front(), "\"worst_place\": \"above\"")) << attempts.front();
    EXPECT_TRUE(contains(attempts.back(), "\"specification_extended\": true"));
    EXPECT_TRUE(contains(json, "\"verdict\": \"pass\""));

    const std::string answers = readFile(fit.dir + "/answers.txt");
    EXPECT_EQ(splitLines(answers).front(), "pyroshock_extended.srs");
    const std::string replay = scratch_ + "/replay";
    fs::create_directory(replay);
    fs::copy_file(fit.dir + "/pyroshock_extended.srs", replay + "/pyroshock_extended.srs");
    const ProgramRun run = runKolvane(replay, answers);
    ASSERT_EQ(run.exitStatus, 0) << run.console;
    for (const char* name : programFiles) {
        if (!fileExists(fit.dir + "/" + name)) continue;  // run.out only where the program writes it
        EXPECT_EQ(readFile(replay + "/" + name), readFile(fit.dir + "/" + name)) << name;
    }
    EXPECT_TRUE(fileExists(fit.dir + "/report.html"));
}

// At Q = 25 each resonance is narrow, so the response dips between
// 1/3-octave grid points further than a ZPA change can make up.
TEST_F(FitCommand, ACoarseStartPassesAfterAFinerSpacing) {
    const Fit fit = fitInto(scratch_, pyroshockSpec, {"--spacing", "3", "--q", "25"});
    ASSERT_EQ(fit.status, fitPassed) << fit.out << fit.err;
    const std::vector<std::string> attempts = attemptEntries(readFile(fit.dir + "/fit.json"));
    EXPECT_TRUE(contains(attempts.front(), "\"spacing\": \"1/3 octave\""));
    EXPECT_FALSE(contains(attempts.back(), "\"spacing\": \"1/3 octave\"")) << attempts.back();
}

TEST_F(FitCommand, NoPassWithinTheAttemptsExitsTwoWithTheBestKept) {
    const Fit fit = fitInto(scratch_, pyroshockSpec, {"--tolerance", "-0.1,0.1", "--attempts", "3"});
    ASSERT_EQ(fit.status, fitNoPass) << fit.out << fit.err;
    const std::string json = readFile(fit.dir + "/fit.json");
    EXPECT_TRUE(contains(json, "\"verdict\": \"fail\""));
    const std::size_t chosenAt = json.find("\"chosen_attempt\": ");
    ASSERT_NE(chosenAt, std::string::npos);
    const std::string chosen = json.substr(chosenAt + 18, json.find(',', chosenAt) - chosenAt - 18);
    EXPECT_TRUE(contains(fit.out, " FAIL: no attempt passed in ")) << fit.out;
    EXPECT_TRUE(contains(fit.out, "kept attempt " + chosen + ","));
    for (const char* name : {"trials.out", "accel.out", "srs.out"}) {
        EXPECT_EQ(readFile(fit.dir + "/" + name), readFile(fit.dir + "/attempts/" + chosen + "/" + name)) << name;
    }
}

TEST_F(FitCommand, UnusableInputExitsOneWithAMessage) {
    writeFile(scratch_ + "/empty.srs", "");
    const struct {
        std::string spec;
        std::vector<std::string> options;
        const char* message;
    } cases[] = {
        {scratch_ + "/missing.srs", {}, "cannot read the specification"},
        {scratch_ + "/empty.srs", {}, "holds no specification"},
        {pyroshockSpec, {"--duration", "0.001"}, "the duration is too short"},
        {pyroshockSpec, {"--polarity", "sideways"}, "--polarity"},
    };
    for (const auto& c : cases) {
        const Fit fit = fitInto(scratch_, c.spec, c.options);
        EXPECT_EQ(fit.status, fitUnusableInput) << c.message;
        EXPECT_TRUE(contains(fit.err, c.message)) << fit.err;
    }
}
