// Measured records: the readers on what kolvane_export writes and on what
// controllers write, the refusals, the shock window on a synthetic shot, and
// an exported history judged as a measured record against the run's own
// verdict.
#include "measured/measured_record.h"

#include <matio.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export/export_app.h"
#include "measured/measured_shot.h"
#include "measured/printed_times.h"
#include "real_run.h"
#include "report/report_app.h"

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<double> column(const std::string& text, std::size_t index) {
    std::vector<double> values;
    for (const std::string& line : splitLines(text)) {
        std::istringstream fields(line);
        double field = 0.0;
        for (std::size_t k = 0; k <= index && fields >> field; ++k) {}
        if (fields) values.push_back(field);
    }
    return values;
}

struct Command {
    int status = -1;
    std::string out;
    std::string err;
};

Command report(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Command c;
    c.status = runReport(args, out, err);
    c.out = out.str();
    c.err = err.str();
    return c;
}

// The maximax column of a report's analysis.csv.
std::vector<double> maximaxOf(const std::string& analysisCsv) {
    std::vector<double> values;
    for (const std::string& line : splitLines(analysisCsv)) {
        if (line.empty() || line[0] == 'f') continue;
        std::istringstream fields(line);
        std::string field;
        for (int k = 0; k < 5 && std::getline(fields, field, ','); ++k) {}
        values.push_back(std::stod(field));
    }
    return values;
}

// A shot as a controller saves it: a pre-trigger of noise and offset, the
// shock, a tail ringing down at 800 Hz; times rounded to `digits` decimals.
struct SyntheticShot {
    double rate = 51200.0;
    double preTrigger = 0.1;
    double offset = 0.3;
    double noise = 0.01;  // RMS, a share of the shock's peak
    int digits = 5;
};

std::string controllerCsv(const std::vector<double>& shock, const SyntheticShot& shot) {
    double peak = 0.0;
    for (const double a : shock) peak = std::max(peak, std::fabs(a));
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, shot.noise * peak);
    const long pre = std::lround(shot.preTrigger * shot.rate);
    const long tail = std::lround(0.2 * shot.rate);
    std::string csv = "# Controller export, shot 1\nOperator,Test\nTime (s),Control 1 (g),Monitor 2 (g)\n";
    char line[128];
    for (long i = -pre; i < static_cast<long>(shock.size()) + tail; ++i) {
        double a = shot.offset + noise(random);
        if (i >= 0 && i < static_cast<long>(shock.size())) a += shock[static_cast<std::size_t>(i)];
        if (i >= static_cast<long>(shock.size())) {
            const double t = static_cast<double>(i - static_cast<long>(shock.size())) / shot.rate;
            a += 0.02 * peak * std::exp(-40.0 * t) * std::sin(2.0 * M_PI * 800.0 * t);
        }
        std::snprintf(line, sizeof line, "%.*f,%.6f,%.6f\n", shot.digits, static_cast<double>(i) / shot.rate, a,
                      0.5 * a);
        csv += line;
    }
    return csv;
}

// A UFF dataset 58 with uneven spacing: record 12 holds (time, value) pairs.
std::string unevenUff(const std::vector<double>& values, double step) {
    std::string uff = "    -1\n    58\nshot 1\nNONE\n09-Dec-26 12:00:00\nNONE\nNONE\n";
    uff += "    1         1    0         0 NONE                1   3 NONE                0   0\n";
    char line[160];
    std::snprintf(line, sizeof line, "%10d%10zu%10d%13.5E%13.5E%13.5E\n", 4, values.size(), 0, 0.0, 0.0, 0.0);
    uff += line;
    std::snprintf(line, sizeof line, "%10d%5d%5d%5d %-20s %-20s\n", 17, 0, 0, 0, "Time", "s");
    uff += line;
    std::snprintf(line, sizeof line, "%10d%5d%5d%5d %-20s %-20s\n", 12, 1, 0, 0, "Acceleration", "m/s^2");
    uff += line;
    for (int k = 0; k < 2; ++k) uff += "         0    0    0    0 NONE                 NONE                \n";
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::snprintf(line, sizeof line, "%13.5E%20.12E", static_cast<double>(i) * step, values[i]);
        uff += line;
        if (i % 2 == 1 || i + 1 == values.size()) uff += "\n";
    }
    return uff + "    -1\n";
}

}  // namespace

TEST(MeasuredRecord, HalfTheLastPrintedDigitBoundsATimesRounding) {
    EXPECT_DOUBLE_EQ(halfLastDigit("0.00125"), 5e-6);
    EXPECT_DOUBLE_EQ(halfLastDigit("1.953125E-05"), 5e-12);
    EXPECT_EQ(halfLastDigit("0"), 0.0);
    EXPECT_DOUBLE_EQ(halfLastDigit("-0.000"), 5e-4);
    EXPECT_DOUBLE_EQ(halfLastDigit("-12"), 0.5);
    EXPECT_DOUBLE_EQ(halfLastDigit("2.5e3"), 50.0);
}

// The files a controller or recorder writes, read; and what cannot be judged
// refused, with the reason.
TEST(MeasuredRecord, ReadsWhatControllersWriteAndRefusesWhatCannotBeJudged) {
    const std::string dir = makeTempDir();
    std::vector<double> shock(2000);
    for (std::size_t i = 0; i < shock.size(); ++i) shock[i] = 20.0 * std::sin(0.01 * static_cast<double>(i * i) / 50.0);
    struct Case {
        const char* name;
        std::string text;
        MeasuredReadOptions options;
        const char* refusal;  // null: read
        std::size_t samples;
        double step;
        UnitSystem units;
        const char* channel;
    };
    SyntheticShot rounded;
    const std::string controller = controllerCsv(shock, rounded);
    SyntheticShot coarse = rounded;
    coarse.digits = 3;  // 1 ms printed for a 19.5 us step: rounded, not uneven
    MeasuredReadOptions monitor;
    monitor.accelColumn = "Monitor 2 (g)";
    MeasuredReadOptions byNumber;
    byNumber.timeColumn = "1";
    byNumber.accelColumn = "3";
    MeasuredReadOptions metric;
    metric.units = 3;
    MeasuredReadOptions inG;
    inG.units = 1;
    std::string stray = "time,accel\n0,1\n0.0010,2\n0.0020,3\n0.0031,4\n0.0040,5\n";
    std::string gap = "time (s),acceleration (g)\n0,1\n0.001,nan\n0.002,3\n";
    std::string whitespace = "# a recorder's text file\n# two columns\n0.0 1.5\n0.5e-3 -2.0\n1.0e-3 0.25\n1.5e-3 0.0\n";
    std::string ms = "t (ms)\tacc (m/s^2)\n0\t1\n0.25\t2\n0.5\t3\n0.75\t4\n";
    std::string binary = "    -1\n    58b     1     1         11         1000           0           0\n";
    const std::vector<Case> cases = {
        {"controller.csv", controller, {}, nullptr, shock.size() + 15360, 1.0 / 51200.0, 2, "column 2 (\"Control 1 (g)\")"},
        {"monitor.csv", controller, monitor, nullptr, shock.size() + 15360, 1.0 / 51200.0, 2, "column 3"},
        {"numbers.csv", controller, byNumber, nullptr, shock.size() + 15360, 1.0 / 51200.0, 2, "column 3"},
        {"coarse.csv", controllerCsv(shock, coarse), {}, nullptr, shock.size() + 15360, 1.0 / 51200.0, 2, "column 2"},
        {"stray.csv", stray, inG, "sample 4's time", 0, 0, 0, nullptr},
        {"gap.csv", gap, {}, "not a finite number", 0, 0, 0, nullptr},
        {"recorder.txt", whitespace, inG, nullptr, 4, 0.5e-3, 1, "column 2"},
        {"nounit.txt", whitespace, {}, "does not say the acceleration's unit", 0, 0, 0, nullptr},
        {"ms.txt", ms, {}, nullptr, 4, 0.25e-3, 3, "column 2 (\"acc (m/s^2)\")"},
        {"disagree.txt", ms, inG, "--units 1 says G", 0, 0, 0, nullptr},
        {"volts.csv", "time (s),channel (V)\n0,1\n1,2\n", {}, "neither G nor m/sec^2", 0, 0, 0, nullptr},
        {"uneven.uff", unevenUff(shock, 1e-4), {}, nullptr, shock.size(), 1e-4, 3, "UFF 58 record 1 of 1"},
        {"binary.uff", binary, {}, "binary UFF (58b)", 0, 0, 0, nullptr},
        {"record.uff", unevenUff(shock, 1e-4), [] { MeasuredReadOptions o; o.record = 2; return o; }(),
         "--record 2 asks for more than its 1", 0, 0, 0, nullptr},
        {"empty.csv", "# nothing\n", {}, "no line of numbers", 0, 0, 0, nullptr},
        {"one.csv", "time (s)\n0\n1\n", {}, "holds one number", 0, 0, 0, nullptr},
        {"huge.uff", [&] {
             std::string uff = unevenUff(shock, 1e-4);
             return uff.replace(uff.find("         4      2000"), 20, "         43333333333");
         }(), {}, "record 7 does not read", 0, 0, 0, nullptr},
        {"missing.csv", controller, [] { MeasuredReadOptions o; o.accelColumn = "Control 9"; return o; }(),
         "no column is headed \"Control 9\"", 0, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/" + c.name;
        writeFile(path, c.text);
        MeasuredRecord record;
        std::string error;
        const bool read = readMeasuredRecord(path, c.options, record, error);
        if (c.refusal) {
            EXPECT_FALSE(read) << c.name;
            EXPECT_TRUE(contains(error, c.refusal)) << c.name << ": " << error;
            EXPECT_TRUE(contains(error, path)) << c.name << ": " << error;
            continue;
        }
        ASSERT_TRUE(read) << c.name << ": " << error;
        EXPECT_EQ(record.acceleration.size(), c.samples) << c.name;
        // The step of the whole length, to the rounding of its ends.
        EXPECT_NEAR(record.timeStep, c.step, 1e-3 / static_cast<double>(c.samples - 1) + 1e-12 * c.step) << c.name;
        EXPECT_EQ(record.unitSystem, c.units) << c.name;
        EXPECT_TRUE(contains(record.channel, c.channel)) << c.name << ": " << record.channel;
    }
    // The controller's rounded times give the step of its whole length, to
    // the rounding of its ends.
    MeasuredRecord record;
    std::string error;
    ASSERT_TRUE(readMeasuredRecord(dir + "/controller.csv", {}, record, error)) << error;
    EXPECT_NEAR(record.startTime, -0.1, 1e-12);
    EXPECT_NEAR(record.timeStep, 1.0 / 51200.0, 1e-5 / static_cast<double>(record.acceleration.size()));
    EXPECT_TRUE(contains(record.notes.front(), "one of 2 acceleration channels")) << record.notes.front();

    // A .mat file with its rate and no time vector; one without either refused.
    for (const bool withRate : {true, false}) {
        const std::string path = dir + (withRate ? "/rate.mat" : "/norate.mat");
        mat_t* file = Mat_CreateVer(path.c_str(), nullptr, MAT_FT_MAT5);
        ASSERT_NE(file, nullptr);
        std::size_t dims[2] = {1, shock.size()};
        matvar_t* a = Mat_VarCreate("accel", MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims, shock.data(), 0);
        Mat_VarWrite(file, a, MAT_COMPRESSION_NONE);
        Mat_VarFree(a);
        if (withRate) {
            double fs = 25600.0;
            std::size_t one[2] = {1, 1};
            matvar_t* rate = Mat_VarCreate("fs", MAT_C_DOUBLE, MAT_T_DOUBLE, 2, one, &fs, 0);
            Mat_VarWrite(file, rate, MAT_COMPRESSION_NONE);
            Mat_VarFree(rate);
        }
        Mat_Close(file);
        MeasuredReadOptions options;
        options.units = 2;
        const bool read = readMeasuredRecord(path, options, record, error);
        EXPECT_EQ(read, withRate) << error;
        if (withRate) {
            EXPECT_EQ(record.timeStep, 1.0 / 25600.0);
            EXPECT_EQ(record.acceleration, shock);
        } else {
            EXPECT_TRUE(contains(error, "no time vector")) << error;
        }
    }
    removeTree(dir);
}

// The shock found in a longer record: its start within 5 ms, the offset of
// the pre-trigger removed; a record that starts with the shock keeps all of
// it; what makes a record doubtful is said, and a record too slow for the
// band refused.
TEST(MeasuredShot, FindsTheShockInALongerRecordAndSaysWhatIsDoubtful) {
    const RealRun run(exampleAnswers("pyroshock-extended.srs", 320, 2, 10, 20));
    ASSERT_EQ(run.exitStatus(), 0);
    const std::vector<double> shock = column(run.read("accel.out"), 1);
    const std::string dir = makeTempDir();
    struct Case {
        const char* name;
        SyntheticShot shot;
        double firstHz;
        const char* warning;  // null: none expected
    };
    SyntheticShot quiet;
    quiet.rate = 1.0 / 8.2e-6;  // close to the run's own rate, so the shock is its samples
    SyntheticShot noisy = quiet;
    noisy.noise = 0.03;
    noisy.offset = -2.5;
    const SyntheticShot shortTail = quiet;
    const std::vector<Case> cases = {
        {"quiet", quiet, 100.0, nullptr},
        {"noisy", noisy, 100.0, nullptr},
        {"short tail", shortTail, 5.0, "less than two periods of the first frequency"},
    };
    const std::string runOut = run.read("run.out");
    const double runStep = 1.0 / std::stod(runOut.substr(runOut.find("output_sample_rate = ") + 21));
    double peak = 0.0;
    for (const double a : shock) peak = std::max(peak, std::fabs(a));
    for (Case c : cases) {
        c.shot.rate = 1.0 / runStep;
        c.shot.digits = 9;
        const std::string path = dir + "/shot.csv";
        writeFile(path, controllerCsv(shock, c.shot));
        MeasuredRecord record;
        std::string error;
        ASSERT_TRUE(readMeasuredRecord(path, {}, record, error)) << error;
        MeasuredShot shot;
        ASSERT_TRUE(prepareMeasuredShot(record, c.firstHz, 10000.0, {}, shot, error)) << error;
        EXPECT_TRUE(shot.window.preTrigger) << c.name;
        EXPECT_NEAR(shot.timeOf(shot.window.start), 0.0, 0.005) << c.name;
        EXPECT_NEAR(shot.window.offset, c.shot.offset, 5.0 * c.shot.noise * peak / std::sqrt(1000.0)) << c.name;
        const bool warned = !shot.warnings.empty();
        EXPECT_EQ(warned, c.warning != nullptr) << c.name << ": " << (warned ? shot.warnings.front() : "");
        if (c.warning) {
            EXPECT_TRUE(contains(shot.warnings.front(), c.warning)) << shot.warnings.front();
        }
    }

    // The run's own history starts with the shock: nothing before it, no
    // offset; clipped, shifted and refused variants.
    std::string own;
    for (std::size_t i = 0; i < shock.size(); ++i) {
        own += std::to_string(static_cast<double>(i) * runStep) + "," + std::to_string(shock[i]) + "\n";
    }
    MeasuredReadOptions inG;
    inG.units = 1;
    writeFile(dir + "/own.csv", own);
    MeasuredRecord record;
    std::string error;
    ASSERT_TRUE(readMeasuredRecord(dir + "/own.csv", inG, record, error)) << error;
    MeasuredShot shot;
    ASSERT_TRUE(prepareMeasuredShot(record, 100.0, 10000.0, {}, shot, error)) << error;
    EXPECT_FALSE(shot.window.preTrigger);
    EXPECT_EQ(shot.window.start, 0u);
    EXPECT_EQ(shot.window.offset, 0.0);
    EXPECT_TRUE(shot.warnings.empty()) << shot.warnings.front();

    MeasuredRecord clipped = record;
    const double top = 0.6 * *std::max_element(clipped.acceleration.begin(), clipped.acceleration.end());
    for (double& a : clipped.acceleration) a = std::min(a, top);
    ASSERT_TRUE(prepareMeasuredShot(clipped, 100.0, 10000.0, {}, shot, error));
    ASSERT_FALSE(shot.warnings.empty());
    EXPECT_TRUE(contains(shot.warnings.front(), "may have clipped")) << shot.warnings.front();

    MeasuredRecord shifted = record;
    shifted.acceleration.resize(shifted.acceleration.size() * 2, 0.0);
    for (std::size_t i = record.acceleration.size(); i < shifted.acceleration.size(); ++i) shifted.acceleration[i] = 8.0;
    ASSERT_TRUE(prepareMeasuredShot(shifted, 100.0, 10000.0, {}, shot, error));
    std::string warnings;
    for (const std::string& w : shot.warnings) warnings += w + "\n";
    EXPECT_TRUE(contains(warnings, "a net velocity change")) << warnings;

    MeasuredShotOptions window;
    window.windowStart = 0.001;
    window.windowEnd = 0.02;
    ASSERT_TRUE(prepareMeasuredShot(record, 100.0, 10000.0, window, shot, error)) << error;
    EXPECT_TRUE(shot.window.given);
    EXPECT_NEAR(shot.timeOf(shot.window.start), 0.001, runStep);
    EXPECT_EQ(shot.judged.size(), record.acceleration.size() - shot.window.start) << "judged to the record's end";
    window.windowEnd = 5.0;
    EXPECT_FALSE(prepareMeasuredShot(record, 100.0, 10000.0, window, shot, error));
    EXPECT_TRUE(contains(error, "does not lie within the record")) << error;

    EXPECT_FALSE(prepareMeasuredShot(record, 100.0, 0.5 / runStep, {}, shot, error));
    EXPECT_TRUE(contains(error, "below 2.56 times the last frequency")) << error;
    ASSERT_TRUE(prepareMeasuredShot(record, 100.0, 0.2 / runStep, {}, shot, error)) << error;
    EXPECT_TRUE(contains(shot.warnings.front(), "below 10 times the last frequency")) << shot.warnings.front();
    removeTree(dir);
}

// The exported history judged as a measured record: the run's own verdict,
// its SRS within 0.5 % of the run's at every analysis point, in each format;
// with the run as its reference, measured less reference near 0 dB. A
// --level shot is judged against the scaled specification.
TEST(MeasuredShot, AnExportedHistoryJudgedAsMeasuredGivesTheRunsVerdict) {
    const RealRun run(exampleAnswers("pyroshock-extended.srs", 320, 2, 10, 50));
    ASSERT_EQ(run.exitStatus(), 0);
    const Command own = report({run.judgedSpec(), run.dir()});
    ASSERT_NE(own.status, reportUnusableInput) << own.err;
    const std::vector<double> ownSrs = maximaxOf(run.read("analysis.csv"));
    std::ostringstream out, err;
    ASSERT_EQ(runExport({run.dir(), "--rate", "102400"}, out, err), 0) << err.str();
    for (const char* format : {"csv", "uff", "mat"}) {
        const std::string out = run.path(std::string("measured-") + format);
        const Command judged = report({run.judgedSpec(), "--measured", run.path(std::string("history.") + format),
                                       "--out", out, "--reference", run.dir()});
        ASSERT_EQ(judged.status, own.status) << format << judged.err << judged.out;
        EXPECT_TRUE(contains(judged.out, "the record starts with the shock")) << judged.out;
        const std::vector<double> measuredSrs = maximaxOf(readFile(out + "/analysis.csv"));
        ASSERT_EQ(measuredSrs.size(), ownSrs.size());
        for (std::size_t i = 0; i < ownSrs.size(); ++i) {
            EXPECT_NEAR(measuredSrs[i] / ownSrs[i], 1.0, 0.005) << format << " point " << i;
        }
        const std::string json = readFile(out + "/report.json");
        EXPECT_TRUE(contains(json, "\"window\": {\"start_s\": 0, \"end_s\": ")) << json.substr(0, 2000);
        EXPECT_TRUE(contains(json, "\"history\": \"measured record\"")) << json.substr(0, 400);
        EXPECT_TRUE(contains(readFile(out + "/report.html"), "id=\"record-measured\"><th>Measured</th><td>" +
                                                                 run.path(std::string("history.") + format)));
        EXPECT_TRUE(contains(readFile(out + "/analysis.csv"), ",measured_minus_reference_db\n"));
    }
    // Half the level, judged against half the specification: the same margins.
    const std::string csv = readFile(run.path("history.csv"));
    std::string halved = "time (s),accel (g)\n";
    for (const std::string& line : splitLines(csv)) {
        if (line.empty() || line[0] == 't') continue;
        const std::size_t comma = line.find(',');
        const double a = std::stod(line.substr(comma + 1, line.find(',', comma + 1) - comma - 1));
        halved += line.substr(0, comma) + "," + std::to_string(a * std::pow(10.0, -6.0 / 20.0)) + "\n";
    }
    writeFile(run.path("half.csv"), halved);
    const Command half = report({run.judgedSpec(), "--measured", run.path("half.csv"), "--out", run.path("half"),
                                 "--level", "-6", "--units", "1"});
    EXPECT_EQ(half.status, own.status) << half.err;
    EXPECT_TRUE(contains(half.out, "judged at -6 dB")) << half.out;
    // The report never writes beside the record unless told, nor into the reference.
    EXPECT_EQ(report({run.judgedSpec(), "--measured", run.path("half.csv")}).status, reportUnusableInput);
    const Command intoReference = report({run.judgedSpec(), "--measured", run.path("half.csv"), "--units", "1",
                                          "--out", run.dir(), "--reference", run.dir()});
    EXPECT_EQ(intoReference.status, reportUnusableInput);
    EXPECT_TRUE(contains(intoReference.err, "reference's folder")) << intoReference.err;
}
