#include "run_folder/run_folder.h"

#include <string>

#include <gtest/gtest.h>

#include "scratch_run.h"

TEST(InputFiles, ReadsTheMainProgramsLayouts) {
    ScratchRun run;
    ReportInputs inputs;
    std::string error;
    ASSERT_TRUE(readReportInputs(run.specPath(), run.dir(), inputs, error)) << error;
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
        ReportInputs inputs;
        std::string error;
        EXPECT_FALSE(readReportInputs(run.specPath(), run.dir(), inputs, error)) << c.file;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}
