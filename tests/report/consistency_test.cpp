// The report's refusals and warnings on real runs of the main program whose
// files were then made stale, foreign or incomplete.
#include "report/consistency.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "report/report_inputs.h"
#include "run_program.h"

namespace {

// A 10-point specification (1/3 octave, 10 to 80 Hz), 20 trials.
const std::string specText = "10 1\n40 10\n100 10\n";
std::string answersAt(const std::string& q) { return "s.srs 3 1 2 " + q + " 0.25 20 1 1\n"; }

// Public, so that the table of spoilt folders below can reach it.
class RunConsistency : public ::testing::Test {
public:
    void SetUp() override { dir = makeTempDir(); }
    void TearDown() override { removeTree(dir); }
    std::string path(const std::string& name) const { return dir + "/" + name; }

    void run(const std::string& q = "10") {
        writeFile(path("s.srs"), specText);
        ASSERT_EQ(runKolvane(dir, answersAt(q)).exitStatus, 0);
    }

    // Reads the folder and checks it; false with `error` from whichever failed.
    bool judge(std::optional<double> damping, ConsistencyOutcome& outcome, std::string& error) const {
        ReportInputs inputs;
        return readReportInputs(path("s.srs"), dir, inputs, error) &&
               checkRunConsistency(inputs, damping, outcome, error);
    }

    void cutLastLine(const std::string& name) const {
        const std::string text = readFile(path(name));
        writeFile(path(name), text.substr(0, text.find_last_of('\n', text.size() - 2) + 1));
    }

    // Sets the file's modification time `seconds` before run.out's.
    void makeOlderThanRunRecord(const std::string& name, int seconds) const {
        struct stat record;
        ASSERT_EQ(stat(path("run.out").c_str(), &record), 0);
        timespec times[2] = {record.st_mtim, record.st_mtim};
        times[0].tv_sec -= seconds;
        times[1].tv_sec -= seconds;
        ASSERT_EQ(utimensat(AT_FDCWD, path(name).c_str(), times, 0), 0);
    }

    std::string dir;
};

}  // namespace

TEST_F(RunConsistency, AFinishedRunIsConsistentAndJudgedAtItsOwnDamping) {
    run();
    ConsistencyOutcome outcome;
    std::string error;
    ASSERT_TRUE(judge(std::nullopt, outcome, error)) << error;
    EXPECT_EQ(outcome.dampingRatio, 0.05);
    EXPECT_FALSE(outcome.interrupted);
    EXPECT_TRUE(outcome.warnings.empty()) << outcome.warnings.front();
}

TEST_F(RunConsistency, FilesThatDoNotBelongTogetherAreRefused) {
    const struct {
        const char* what;
        std::function<void(RunConsistency&)> spoil;
        const char* named;  // in the refusal
    } cases[] = {
        {"stale accel.out", [](RunConsistency& r) { r.makeOlderThanRunRecord("accel.out", 5); },
         "accel.out is older than run.out"},
        {"stale srs.out", [](RunConsistency& r) { r.makeOlderThanRunRecord("srs.out", 1); },
         "srs.out is older than run.out"},
        {"run.out cut short",
         [](RunConsistency& r) { r.cutLastLine("run.out"); },
         "run.out is not a complete run record"},
        {"other units",
         [](RunConsistency& r) {
             std::string trials = readFile(r.path("trials.out"));
             trials.replace(trials.find("(G)         (in/sec)     (in)"), 29, "(m/sec^2)   (m/sec)      (mm)");
             writeFile(r.path("trials.out"), trials);
         },
         "trials.out's units"},
        {"other grid in srs.out",
         [](RunConsistency& r) { r.cutLastLine("srs.out"); }, "srs.out has 9"},
        {"other grid in wavelet.out",
         [](RunConsistency& r) { r.cutLastLine("wavelet.out"); },
         "wavelet.out has 9"},
        {"short accel.out",
         [](RunConsistency& r) { r.cutLastLine("accel.out"); },
         "accel.out has 1249 rows, run.out 1250"},
        {"short disp.out",
         [](RunConsistency& r) { r.cutLastLine("disp.out"); },
         "disp.out has 1250 rows, run.out 1251"},
        {"short rank.out",
         [](RunConsistency& r) { r.cutLastLine("rank.out"); },
         "rank.out has 19 rows, run.out 20"},
        {"trials.out of a shorter run",
         [](RunConsistency& r) { r.cutLastLine("trials.out"); },
         "trials.out has 19 trials"},
        {"one peak of srs.out ten times too high",
         [](RunConsistency& r) {
             std::string srs = readFile(r.path("srs.out"));
             srs.replace(srs.find("e+000"), 5, "e+001");
             writeFile(r.path("srs.out"), srs);
         },
         "srs.out does not match the SRS of accel.out at "},
        {"no run.out and no damping", [](RunConsistency& r) { std::remove(r.path("run.out").c_str()); }, "--q Q"},
    };
    for (const auto& c : cases) {
        run();
        c.spoil(*this);
        ConsistencyOutcome outcome;
        std::string error;
        EXPECT_FALSE(judge(std::nullopt, outcome, error)) << c.what;
        EXPECT_NE(error.find(c.named), std::string::npos) << c.what << ": " << error;
    }
}

TEST_F(RunConsistency, WithoutRunRecordTheDampingGivenMustBeTheRuns) {
    run("25");
    std::remove(path("run.out").c_str());
    ConsistencyOutcome outcome;
    std::string error;
    EXPECT_FALSE(judge(1.0 / 20.0, outcome, error));
    EXPECT_NE(error.find("srs.out does not match the SRS of accel.out"), std::string::npos) << error;
    EXPECT_NE(error.find("the damping given"), std::string::npos) << error;
    ASSERT_TRUE(judge(1.0 / 50.0, outcome, error)) << error;
    EXPECT_EQ(outcome.dampingRatio, 1.0 / 50.0);
}

TEST_F(RunConsistency, InterruptedRunsForeignSpecificationsAndOtherDampingsAreWarnings) {
    run();
    // Two more trials finished after the last results step.
    std::string trials = readFile(path("trials.out"));
    trials += " 20        1.000        2.000        0.500        3.250        0.125 1  44\n";
    trials += " 21        1.000        2.000        0.500        3.250        0.125 3  44\n";
    trials += " 22        1.000   ";  // a row the stop cut short
    writeFile(path("trials.out"), trials);
    // The same points, written otherwise: another file.
    writeFile(path("s.srs"), "10 1.0\n40 10\n100 10\n");
    ConsistencyOutcome outcome;
    std::string error;
    ASSERT_TRUE(judge(1.0 / 24.0, outcome, error)) << error;
    EXPECT_TRUE(outcome.interrupted);
    EXPECT_EQ(outcome.dampingRatio, 1.0 / 24.0);
    ASSERT_EQ(outcome.warnings.size(), 3u);
    EXPECT_NE(outcome.warnings[0].find("Q = 12"), std::string::npos) << outcome.warnings[0];
    EXPECT_NE(outcome.warnings[1].find("trials.out holds 22 of its 20 trials, the last results step ranked 20"),
              std::string::npos)
        << outcome.warnings[1];
    EXPECT_NE(outcome.warnings[2].find("s.srs is not the run's (s.srs in run.out)"), std::string::npos)
        << outcome.warnings[2];
}
