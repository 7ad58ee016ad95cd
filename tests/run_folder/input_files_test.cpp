#include "run_folder/run_folder.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "run/synthesis_run.h"
#include "run_program.h"
#include "scratch_run.h"
#include "spec/spec_text.h"

TEST(InputFiles, ReadsTheMainProgramsLayouts) {
    ScratchRun run;
    RunFolder inputs;
    std::string error;
    ASSERT_TRUE(readRunFolder(run.dir(), inputs, error)) << error;
    ASSERT_EQ(inputs.srs.size(), 3u);
    EXPECT_EQ(inputs.srs[1].frequency, 20.0);
    EXPECT_EQ(inputs.srs[2].positive, 100.0);
    EXPECT_EQ(inputs.acceleration.time.size(), 200u);
    EXPECT_EQ(inputs.velocity.time.size(), 201u);  // one point more than accel.out
    EXPECT_EQ(inputs.unitSystem, 1);
    EXPECT_EQ(inputs.ranks.size(), 3u);
    EXPECT_EQ(inputs.waveletCount, 2);
}

TEST(InputFiles, ThreeDigitExponentsAndFineTimeColumnsParse) {
    ScratchRun run;
    run.write("srs.out", "     100.000 \t 1.23450e+002 \t 9.87650e-003\n");
    std::vector<SrsLine> srs;
    std::string error;
    ASSERT_TRUE(readSrsFile(run.path("srs.out"), srs, error)) << error;
    EXPECT_EQ(srs[0].positive, 123.45);
    EXPECT_EQ(srs[0].negative, 9.8765e-3);

    run.writeMotion(20000.0, 10, 1.0, 1.0);  // times written with "%12.8f"
    MotionRecord accel;
    ASSERT_TRUE(readMotionFile(run.path("accel.out"), accel, error)) << error;
    EXPECT_NE(run.read("accel.out").find("  0.00005000 \t"), std::string::npos);
    EXPECT_EQ(accel.time[1], 0.00005);
}

TEST(InputFiles, UnitsLineNamesTheUnitSystem) {
    ScratchRun run;
    for (int system = 1; system <= 3; ++system) {
        run.writeUnits(system);
        int found = 0;
        std::string error;
        ASSERT_TRUE(readUnitSystem(run.path("trials.out"), found, error)) << error;
        EXPECT_EQ(found, system);
    }
    EXPECT_STREQ(unitNamesOf(2).displacement, "mm");
    EXPECT_STREQ(unitNamesOf(3).acceleration, "m/sec^2");

    run.write("trials.out", "\n Peak\n Trial Accel\n           (G)         (ft/sec)     (ft)\n");
    int found = 0;
    std::string error;
    EXPECT_FALSE(readUnitSystem(run.path("trials.out"), found, error));
    EXPECT_NE(error.find("trials.out line 4: unknown units line"), std::string::npos) << error;
    run.write("trials.out", "");
    EXPECT_FALSE(readUnitSystem(run.path("trials.out"), found, error));
    EXPECT_NE(error.find("trials.out: no units line"), std::string::npos) << error;
}

TEST(InputFiles, MalformedFilesAreNamedWithTheLine) {
    const struct {
        const char* file;
        const char* text;
        const char* message;
    } cases[] = {
        {"srs.out", "10.000 \t 1.0e+000 \t 1.0e+000\n20.000 \t 2.0e+000\n", "srs.out line 2: expected frequency"},
        {"srs.out", "20.000 1 1\n10.000 1 1\n", "srs.out line 2: expected a frequency above"},
        {"srs.out", "\n", "srs.out holds no spectrum lines"},
        {"accel.out", "0.00000 \t 1.0 \t 3\n", "accel.out line 1: expected time and value"},
        {"velox.out", "0.0 abc\n", "velox.out line 1: expected time and value"},
        {"disp.out", "", "disp.out holds no samples"},
        {"rank.out", "i=0 \t n=1\n", "rank.out line 1: expected"},
        {"rank.out", "", "rank.out lists no trials"},
        {"wavelet.out", "0 \t 10.0 \t 1.0 \t 3 \t 0.0\n", "wavelet.out line 1: expected the heading"},
        {"wavelet.out", "\n No.\t Freq(Hz) \t   Amp(G) \t NHS  \t  Delay(sec) \n", "wavelet.out lists no wavelets"},
        {"wavelet.out", "\n No.\t Freq(Hz)\n0 \t 10.0 \t x\n", "wavelet.out line 3: expected wavelet number"},
    };
    for (const auto& c : cases) {
        ScratchRun run;
        run.write(c.file, c.text);
        RunFolder inputs;
        std::string error;
        EXPECT_FALSE(readRunFolder(run.dir(), inputs, error)) << c.file;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

// A run held in memory reads as its folder does, to the bit: what the fit
// and the Python module judge without reading the files back is what the
// report reads from them. The 10 kHz example writes eight-decimal times and
// units 3 scales velocity and displacement.
TEST(InputFiles, ARunHeldInMemoryEqualsItsFolderAsRead) {
    for (const int units : {1, 3}) {
        const std::string dir = makeTempDir();
        writeFile(dir + "/pyroshock.srs", readFile(std::string(KOLVANE_SOURCE_DIR) + "/examples/pyroshock.srs"));
        SpecText spec;
        std::string error;
        ASSERT_TRUE(readSpecTextFile(dir + "/pyroshock.srs", spec, error)) << error;
        RunRequest request;
        request.answers = {"pyroshock.srs", 250.0, 2, 0.05, 0.03, 20, units, 1};
        request.specification = {dir + "/pyroshock.srs", spec.table};
        request.outputDir = dir;
        request.console = std::fopen("/dev/null", "w");
        RunResults results;
        request.results = &results;
        ASSERT_EQ(runSynthesis(request), RunOutcome::completed);
        std::fclose(request.console);

        RunFolder read;
        ASSERT_TRUE(readRunFolder(dir, read, error)) << error;
        const RunFolder held = runFolderOf(results, spec.table);
        EXPECT_EQ(formatRunRecord(*held.runRecord), formatRunRecord(*read.runRecord));
        ASSERT_EQ(held.srs.size(), read.srs.size());
        for (std::size_t j = 0; j < read.srs.size(); ++j) {
            EXPECT_EQ(held.srs[j].frequency, read.srs[j].frequency);
            EXPECT_EQ(held.srs[j].positive, read.srs[j].positive);
            EXPECT_EQ(held.srs[j].negative, read.srs[j].negative);
        }
        for (const auto& [h, r] : {std::pair{&held.acceleration, &read.acceleration},
                                   std::pair{&held.velocity, &read.velocity},
                                   std::pair{&held.displacement, &read.displacement}}) {
            EXPECT_EQ(h->time, r->time);
            EXPECT_EQ(h->value, r->value);
        }
        EXPECT_EQ(held.unitSystem, read.unitSystem);
        EXPECT_EQ(held.trialRows, read.trialRows);
        EXPECT_EQ(held.waveletFrequencies, read.waveletFrequencies);
        ASSERT_EQ(held.ranks.size(), read.ranks.size());
        for (std::size_t t = 0; t < read.ranks.size(); ++t) EXPECT_EQ(held.ranks[t].score, read.ranks[t].score);
        ASSERT_EQ(held.sortedLists.size(), read.sortedLists.size());
        for (std::size_t m = 0; m < read.sortedLists.size(); ++m) {
            EXPECT_EQ(held.sortedLists[m].name, read.sortedLists[m].name);
            EXPECT_EQ(held.sortedLists[m].trials, read.sortedLists[m].trials);
        }
        removeTree(dir);
    }
}
