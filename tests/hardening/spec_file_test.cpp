// The specification reader takes whatever the named file holds, and a run on a
// specification that breaks the file's contract still ends at the exit prompt.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hardening/guarded_run.h"
#include "run_program.h"
#include "spec/spec_table.h"

namespace {

const std::string exitPrompt = "\n\n Press any key to exit.\n";
const std::string noPoints = "\n\n Error: no specification points read.\n\n";

class SpecFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir();
        console = std::fopen("/dev/null", "w");
    }
    void TearDown() override {
        std::fclose(console);
        removeTree(dir);
    }
    SpecReadStatus read(const std::string& name, const std::string& text) {
        writeFile(dir + "/" + name, text);
        return readSpecFile((dir + "/" + name).c_str(), spec, console);
    }
    void expectPairs(const std::vector<std::pair<double, double>>& pairs) {
        ASSERT_EQ(spec.count, static_cast<int>(pairs.size()));
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            EXPECT_EQ(spec.frequency[i], pairs[i].first) << i;
            EXPECT_EQ(spec.level[i], pairs[i].second) << i;
        }
    }
    std::string dir;
    std::FILE* console = nullptr;
    SpecTable spec;
};

// A run of a few trials on `specText`, which must end at the exit prompt with
// a status of its own, without a sanitizer report, within the time allowed.
GuardedRun expectCleanEnd(const std::string& dir, const std::string& specText, const std::string& answers) {
    writeFile(dir + "/odd.srs", specText);
    const GuardedRun run = runGuarded(dir, "odd.srs " + answers, 120);
    EXPECT_FALSE(run.timedOut) << specText;
    EXPECT_TRUE(run.exitStatus == 0 || run.exitStatus == 1) << specText << " status " << run.exitStatus;
    EXPECT_EQ(run.errors, "") << specText;
    EXPECT_GE(run.console.size(), exitPrompt.size());
    EXPECT_EQ(run.console.substr(run.console.size() - std::min(run.console.size(), exitPrompt.size())), exitPrompt)
        << specText;
    return run;
}

}  // namespace

TEST_F(SpecFile, LineEndingsAndBlanksDoNotMatter) {
    for (const char* text : {"10\t1\r\n2000\t100\r\n", "10 1\r2000 100\r", "\t10\n\n1 \t 2000\r\n\r\n100", "10 1 2000 100"}) {
        EXPECT_EQ(read("s.srs", text), SpecReadStatus::ok) << text;
        expectPairs({{10, 1}, {2000, 100}});
    }
}

TEST_F(SpecFile, ASpreadsheetExportRunsAsItsBlankSeparatedTwin) {
    // Before commas counted, this file read as the one point (10 Hz, level 0),
    // and the run wrote an all-zero history and ended with status 0.
    const std::string blankDir = dir + "/blank";
    const std::string csvDir = dir + "/csv";
    std::filesystem::create_directory(blankDir);
    std::filesystem::create_directory(csvDir);
    writeFile(blankDir + "/s.srs", "10 1\n100 10\n2000 100\n");
    writeFile(csvDir + "/s.srs", "10,1\r\n100,10\r\n2000,100\r\nNote: from the test plan, rev. B\r\n");
    const std::string answers = "s.srs 3 1 2 10 0.2 4 3 1\n";
    const ProgramRun blank = runInProcess(blankDir, answers, 2);
    const ProgramRun csv = runInProcess(csvDir, answers, 2);
    EXPECT_EQ(blank.exitStatus, 0);
    EXPECT_EQ(csv.exitStatus, 0);
    EXPECT_EQ(blank.console.find("spec error"), std::string::npos);

    const std::string opened = " File: s.srs opened. \n";
    std::string expected = blank.console;
    ASSERT_NE(expected.find(opened), std::string::npos);
    expected.insert(expected.find(opened) + opened.size(),
                    " Warning: reading stopped at line 4 on \"Note:\", which is not a number (points read: 3). \n");
    EXPECT_EQ(csv.console, expected);
    for (const char* name : {"trials.out", "rank_d.out", "rank.out", "wavelet.out", "accel.out", "velox.out",
                             "disp.out", "srs.out"}) {
        const std::string written = readFile(blankDir + "/" + name);
        EXPECT_FALSE(written.empty()) << name;
        EXPECT_EQ(readFile(csvDir + "/" + name), written) << name;
    }
}

TEST_F(SpecFile, NonFiniteTokensAreReadAsTheyStandAndRefused) {
    ASSERT_EQ(read("s.srs", "nan 1\ninf 2\n-inf 3\n1e999 4\nINFINITY nan\n"), SpecReadStatus::notFinite);
    ASSERT_EQ(spec.count, 5);
    EXPECT_TRUE(std::isnan(spec.frequency[0]));
    EXPECT_EQ(spec.frequency[1], INFINITY);
    EXPECT_EQ(spec.frequency[2], -INFINITY);
    EXPECT_EQ(spec.frequency[3], INFINITY);
    EXPECT_TRUE(std::isnan(spec.level[4]));
}

TEST_F(SpecFile, TwoHundredPairsAreReadAndOneMoreIsRefused) {
    std::string text;
    for (int i = 1; i <= 200; ++i) text += std::to_string(i * 10) + " " + std::to_string(i) + "\n";
    ASSERT_EQ(read("s.srs", text), SpecReadStatus::ok);
    EXPECT_EQ(spec.count, 200);
    EXPECT_EQ(spec.frequency[199], 2000.0);
    EXPECT_EQ(read("s.srs", text + "2010"), SpecReadStatus::tooManyPoints);
    EXPECT_EQ(read("s.srs", text + "x"), SpecReadStatus::ok);
}

TEST_F(SpecFile, LinesOfMegabytes) {
    const std::size_t megabytes = 4 << 20;
    // Blanks between the pairs.
    EXPECT_EQ(read("s.srs", "10 1" + std::string(megabytes, ' ') + "\t2000 100\n"), SpecReadStatus::ok);
    expectPairs({{10, 1}, {2000, 100}});
    // A number of four million digits overflows to infinity.
    EXPECT_EQ(read("s.srs", "10 1\n" + std::string(megabytes, '7') + " 5\n"), SpecReadStatus::notFinite);
    expectPairs({{10, 1}, {INFINITY, 5}});
    // A word of megabytes ends the reading.
    EXPECT_EQ(read("s.srs", std::string(megabytes, 'x') + "\n10 1\n"), SpecReadStatus::noPoints);
}

TEST_F(SpecFile, BinaryGarbageEndsTheReadingWherever) {
    std::uint32_t state = 7;
    for (int file = 0; file < 20; ++file) {
        std::string bytes(65536, '\0');
        for (char& byte : bytes) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<char>(state >> 24);
        }
        const SpecReadStatus status = read("g.bin", bytes);
        EXPECT_TRUE(status == SpecReadStatus::ok || status == SpecReadStatus::noPoints ||
                    status == SpecReadStatus::levelNotPositive);
        EXPECT_LE(spec.count, maxSpecPoints);
    }
    // Digits among the garbage are read until the first byte that is not a number.
    const char mixed[] = "10 1 2000 100\x01\xff\x00 5 5";
    EXPECT_EQ(read("g.bin", std::string(mixed, sizeof mixed - 1)), SpecReadStatus::ok);
    expectPairs({{10, 1}, {2000, 100}});
}

TEST_F(SpecFile, DirectoriesAndDevicesGiveNoPoints) {
    std::filesystem::create_directory(dir + "/folder");
    for (const std::string& name : {dir + "/folder", std::string("/dev/null"), std::string("/dev/zero")}) {
        const SpecReadStatus status = readSpecFile(name.c_str(), spec, console);
        EXPECT_TRUE(status == SpecReadStatus::noPoints || status == SpecReadStatus::openFailed) << name;
        EXPECT_EQ(spec.count, 0) << name;
    }
    // The same names typed at the prompt end the run at the exit prompt.
    for (const char* name : {"folder", "/dev/null", "/dev/zero", "."}) {
        const GuardedRun run = runGuarded(dir, std::string(name) + " 2 1 1 0.05 0.2 1 1 1\n", 60);
        EXPECT_EQ(run.exitStatus, 1) << name;
        EXPECT_FALSE(run.timedOut) << name;
        const std::string ending = std::string(" File: ") + name + " opened. \n" + noPoints + exitPrompt;
        EXPECT_EQ(run.console.substr(run.console.size() - std::min(run.console.size(), ending.size())), ending)
            << name;
    }
}

TEST_F(SpecFile, MeaninglessFrequenciesAndLevelsEndCleanly) {
    struct Case {
        const char* spec;
        const char* answers;
    };
    // Trials: 30, enough for every strategy to be drawn.
    const Case cases[] = {
        {"2000 100\n10 1\n", "2 1 1 0.05 0.2 30 1 1\n"},         // descending: a one-point grid
        {"10 1\n2000 100\n500 5\n", "2 1 1 0.05 0.2 30 1 1\n"},  // last point below the others
        {"0 1\n100 10\n", "2 1 1 0.05 0.2 30 1 1\n"},            // zero frequency: duration too short
        {"-10 1\n100 10\n", "2 1 1 0.05 0.2 30 1 1\n"},          // 200 negative grid points
        {"-1 1\n5 1\n", "1 1 1 0.05 -1.4 30 1 1\n"},             // negative duration: counts shrink to 1
        {"-1e-6 1\n-10 1\n", "1 1 1 0.05 -1 30 1 1\n"},          // run-on of 144 million samples
        {"-1 1\n-1.05 1\n", "1 1 1 0.05 -1 30 1 1\n"},           // negative time step, 200 points
        {"10 1e308\n100 1e-308\n", "1e300 1 1 0.05 0.2 30 1 1\n"},
    };
    for (const Case& c : cases) expectCleanEnd(dir, c.spec, c.answers);
}

// What would make every history not a number, zero, or the filters unstable,
// is refused with its own message and status 1; a damping ratio of 0 (or -0)
// still runs. A lone final number is a point at level 0: refused too.
TEST_F(SpecFile, NonFiniteValuesAndNegativeDampingAreRefused) {
    struct Case {
        const char* spec;
        const char* answers;
        const char* message;
        bool exitPrompt;
    };
    const Case cases[] = {
        {"nan 1\n100 10\n", "2 1 1 0.05 0.2 30 1 1\n", "point 1 (nan, 1) is not a finite number", true},
        {"inf 1\n100 10\n", "2 1 1 0.05 0.2 30 1 1\n", "point 1 (inf, 1) is not a finite number", true},
        {"10 1\ninf 10\n", "2 1 1 0.05 0.2 30 1 1\n", "point 2 (inf, 10) is not a finite number", true},
        {"10 1\n-inf 10\n", "2 1 1 0.05 0.2 30 1 1\n", "point 2 (-inf, 10) is not a finite number", true},
        {"10 nan\n100 10\n", "2 1 1 0.05 0.2 30 1 1\n", "point 1 (10, nan) is not a finite number", true},
        {"10 inf\n100 10\n", "2 1 1 0.05 0.2 30 1 1\n", "point 1 (10, inf) is not a finite number", true},
        {"10 1\n100 10\n", "2 1 1 -0.05 0.2 3 1 1\n", "\n Error:  damping value must be >= 0 \n", false},
        {"10 1\n100 10\n", "2 1 2 -10 0.2 3 1 1\n", "\n Error:  damping value must be >= 0 \n", false},
        {"10 -1\n100 10\n", "2 1 1 0.05 0.2 30 1 1\n", "point 1 (10, -1) has a level that is not above zero", true},
        {"10 -0\n100 10\n", "2 1 1 0.05 0.2 30 1 1\n", "point 1 (10, -0) has a level that is not above zero", true},
        {"10 1\n100", "3 1 1 0.05 0.2 3 1 1\n", "point 2 (100, 0) has a level that is not above zero", true},
        {"10 1\n100 10\n", "-0 1 1 0.05 0.2 3 1 1\n", "\n\n Error: the ZPA must be from 0.0001 to 1e300.\n\n", true},
        {"10 1\n100 10\n", "1e-320 1 1 0.05 0.2 3 1 1\n", "the ZPA must be from 0.0001", true},
        {"10 1\n100 10\n", "1e308 1 1 0.05 0.2 3 1 1\n", "the ZPA must be from 0.0001", true},
    };
    for (const Case& c : cases) {
        writeFile(dir + "/odd.srs", c.spec);
        const GuardedRun run = runGuarded(dir, std::string("odd.srs ") + c.answers, 120);
        EXPECT_EQ(run.exitStatus, 1) << c.spec << c.answers;
        EXPECT_NE(run.console.find(c.message), std::string::npos) << c.spec << c.answers << run.console;
        EXPECT_EQ(run.console.find(exitPrompt) != std::string::npos, c.exitPrompt) << c.spec << c.answers;
        EXPECT_FALSE(fileExists(dir + "/trials.out")) << c.spec << c.answers;
    }
    writeFile(dir + "/odd.srs", "10 1\n100 10\n");
    EXPECT_EQ(runGuarded(dir, "odd.srs 2 1 1 0 0.2 3 1 1\n", 120).exitStatus, 0) << "an undamped oscillator";
    EXPECT_EQ(runGuarded(dir, "odd.srs 2 1 1 -0 0.2 3 1 1\n", 120).exitStatus, 0);
    EXPECT_NE(readFile(dir + "/run.out").find("\nq = inf\n"), std::string::npos) << "-0 is taken as 0";
}
