// A file that cannot be written is named on the console and ends the run with
// status 1; result files already in place stay whole, and no temporary is left.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hardening/guarded_run.h"
#include "results/run_record.h"
#include "run_program.h"

namespace {

const char* const resultFiles[] = {"rank_d.out", "rank.out", "wavelet.out", "accel.out",
                                   "velox.out",  "disp.out", "srs.out"};
const std::string exitPrompt = "\n\n Press any key to exit.\n";
const std::string answers = "s.srs 3 1 2 10 0.2 4 3 1\n";

std::string cannotWrite(const std::string& name) { return "\n\n Error: cannot write " + name + " \n\n"; }

class OutputFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir();
        writeFile(path("s.srs"), "10 1\n100 10\n");
    }
    void TearDown() override { removeTree(dir); }
    std::string path(const std::string& name) const { return dir + "/" + name; }

    // The run ends right after the error with the exit prompt and status 1.
    void expectRefused(const GuardedRun& run, const std::string& name) {
        EXPECT_EQ(run.exitStatus, 1) << name;
        EXPECT_EQ(run.errors, "") << name;
        const std::string ending = cannotWrite(name) + exitPrompt;
        ASSERT_GE(run.console.size(), ending.size()) << name;
        EXPECT_EQ(run.console.substr(run.console.size() - ending.size()), ending) << name;
        EXPECT_EQ(run.console.find("Output files for Optimum Case"), std::string::npos) << name;
        EXPECT_EQ(leftoverTemporaries(dir), std::vector<std::string>{}) << name;
    }
    std::string dir;
};

}  // namespace

TEST_F(OutputFiles, ReadOnlyWorkingDirectory) {
    // Root writes into a read-only folder, so as root the program runs as
    // "nobody"; TrialsOutThatIsAFolderOrOnAFullDisk covers the same refusal.
    GuardOptions options;
    options.asNobody = geteuid() == 0;
    chmod(dir.c_str(), 0555);
    const GuardedRun run = runGuarded(dir, answers, 120, options);
    chmod(dir.c_str(), 0755);
    if (options.asNobody && run.exitStatus == 127) GTEST_SKIP() << "the program cannot be run as nobody here";
    expectRefused(run, "trials.out");
}

TEST_F(OutputFiles, TrialsOutThatIsAFolderOrOnAFullDisk) {
    std::filesystem::create_directory(path("trials.out"));
    GuardedRun run = runGuarded(dir, answers, 120);
    expectRefused(run, "trials.out");
    EXPECT_EQ(run.console.find(" Trial     Accel"), std::string::npos);
    std::filesystem::remove(path("trials.out"));

    // /dev/full takes the open but refuses the header's bytes.
    GuardOptions full;
    full.fullTemporaries = {"trials.out"};
    run = runGuarded(dir, answers, 120, full);
    expectRefused(run, "trials.out");

    // A link named trials.out is replaced, its target left alone.
    writeFile(path("elsewhere.txt"), "not the program's");
    std::filesystem::remove(path("trials.out"));
    std::filesystem::create_symlink(path("elsewhere.txt"), path("trials.out"));
    run = runGuarded(dir, answers, 120);
    EXPECT_EQ(run.exitStatus, 0) << run.console;
    EXPECT_EQ(readFile(path("elsewhere.txt")), "not the program's");
    EXPECT_FALSE(std::filesystem::is_symlink(path("trials.out")));
}

TEST_F(OutputFiles, ResultFileThatCannotReplaceTheOldOne) {
    // srs.out is a folder with something in it, so the finished temporary
    // cannot be renamed over it.
    std::filesystem::create_directory(path("srs.out"));
    writeFile(path("srs.out/keep"), "x");
    const GuardedRun run = runGuarded(dir, answers, 120);
    expectRefused(run, "srs.out");
    EXPECT_EQ(readFile(path("srs.out/keep")), "x");
    // Everything before it was written whole.
    EXPECT_EQ(splitLines(readFile(path("accel.out"))).size(), 1000u);
    EXPECT_EQ(splitLines(readFile(path("disp.out"))).size(), 1001u);
}

TEST_F(OutputFiles, PreviousFilesStayWholeWhenTheNewOnesFail) {
    ASSERT_EQ(runGuarded(dir, answers, 120).exitStatus, 0);
    std::vector<std::string> previous;
    for (const char* name : resultFiles) previous.push_back(readFile(path(name)));

    // A different ZPA changes every file; accel.out's temporary is on a full
    // disk, so the run stops there.
    const std::string other = "s.srs 2 1 2 10 0.2 4 3 1\n";
    const GuardedRun run = runGuarded(dir, other, 120, GuardOptions{{"accel.out"}});
    expectRefused(run, "accel.out");
    for (std::size_t f = 0; f < previous.size(); ++f) {
        const std::string name = resultFiles[f];
        const bool rewritten = name == "rank_d.out" || name == "rank.out" || name == "wavelet.out";
        if (rewritten) {
            EXPECT_NE(readFile(path(name)), previous[f]) << name;
        } else {
            EXPECT_EQ(readFile(path(name)), previous[f]) << name;
        }
    }

    // Each later file fails the same way and leaves its predecessor in place.
    for (const char* name : {"run.out", "rank_d.out", "velox.out", "disp.out", "srs.out"}) {
        const GuardedRun failed = runGuarded(dir, answers, 120, GuardOptions{{name}});
        expectRefused(failed, name);
        EXPECT_EQ(readFile(path("srs.out")), previous[6]) << name;
    }
}

TEST_F(OutputFiles, RunStoppedMidwayLeavesOnlyWholeFiles) {
    // About 8000 trials of 720 samples: several seconds, stopped after two.
    const GuardedRun run = runGuarded(dir, "s.srs 3 1 2 10 0.6 8000 3 1\n", 2);
    ASSERT_TRUE(run.timedOut) << "the run ended before it could be stopped";

    // trials.out holds every finished trial, each row whole.
    const std::string trials = readFile(path("trials.out"));
    ASSERT_FALSE(trials.empty());
    EXPECT_EQ(trials.back(), '\n');
    const std::vector<std::string> lines = splitLines(trials);
    for (std::size_t row = 4; row < lines.size(); ++row) {
        std::string number = std::to_string(row - 4);
        number.insert(number.begin(), ' ');
        number.push_back(' ');
        EXPECT_EQ(lines[row].rfind(number, 0), 0u) << lines[row];
        EXPECT_TRUE(lines[row].size() > 70 && lines[row].size() < 90) << lines[row];
    }

    // Result files from an intermediate output, if one ran, are complete.
    if (fileExists(path("accel.out"))) {
        const std::size_t ranked = splitLines(readFile(path("rank.out"))).size();
        EXPECT_EQ(ranked % 1000, 999u);
        EXPECT_EQ(splitLines(readFile(path("wavelet.out"))).size(), 2u + 10u);
        const std::size_t samples = static_cast<std::size_t>(0.6 / (1.0 / 5000.0));
        EXPECT_EQ(splitLines(readFile(path("accel.out"))).size(), samples);
        EXPECT_EQ(splitLines(readFile(path("velox.out"))).size(), samples + 1);
        EXPECT_EQ(splitLines(readFile(path("disp.out"))).size(), samples + 1);
        EXPECT_EQ(splitLines(readFile(path("srs.out"))).size(), 10u);
        // run.out, written before accel.out, names that results step.
        RunRecord record;
        std::string error;
        ASSERT_TRUE(parseRunRecord(readFile(path("run.out")), record, error)) << error;
        EXPECT_EQ(record.trialsRanked % 1000, 999);
        EXPECT_EQ(record.outputSampleCount, static_cast<int>(samples));
    }
}

TEST_F(OutputFiles, FailedIntermediateOutputEndsTheRunOnEveryThreadCount) {
    // accel.out cannot be written at the intermediate output after trial 999.
    // With several threads the trials after it are already being evaluated
    // meanwhile (10 grid points: two at once per thread where the processor
    // pairs them); none of them may get a row, and every helper must stop.
    const std::string checkpointRun = "s.srs 3 1 2 10 0.2 1008 3 1\n";
    std::string reference;
    for (int threads : {1, 2, 3}) {
        std::filesystem::create_symlink("/dev/full", path(temporaryNameOf("accel.out", getpid())));
        const ProgramRun run = runInProcess(dir, checkpointRun, threads);
        EXPECT_EQ(run.exitStatus, 1) << threads << " threads";
        const std::string ending = cannotWrite("accel.out") + exitPrompt;
        ASSERT_GE(run.console.size(), ending.size());
        EXPECT_EQ(run.console.substr(run.console.size() - ending.size()), ending) << threads << " threads";
        EXPECT_NE(run.console.find("\n\n intermediate output \n"), std::string::npos);
        const std::vector<std::string> trials = splitLines(readFile(path("trials.out")));
        ASSERT_EQ(trials.size(), 4u + 1000u) << threads << " threads";
        EXPECT_EQ(trials.back().rfind(" 999 ", 0), 0u) << trials.back();
        EXPECT_EQ(leftoverTemporaries(dir), std::vector<std::string>{}) << threads << " threads";
        if (threads == 1) reference = run.console;
        EXPECT_EQ(run.console, reference) << threads << " threads";
    }
}
