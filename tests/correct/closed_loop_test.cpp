// The loop a lab runs, in software: a fitted history played through a linear
// model of a shaker and a fixture (a suspension mode at 4 Hz, a fixture
// resonance at 800 Hz lifting its band by 10 dB), measured, judged, and the
// drive corrected from the measurement twice.
#include "fit/fit_app.h"
#include "report/report_app.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "export/export_app.h"
#include "run_program.h"

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Command {
    int status = -1;
    std::string out;
    std::string err;
};

template <typename Run>
Command call(Run run, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Command c;
    c.status = run(args, out, err);
    c.out = out.str();
    c.err = err.str();
    return c;
}

// A second-order section, from the audio cookbook's formulas.
struct Biquad {
    double b0, b1, b2, a1, a2;
    std::vector<double> apply(const std::vector<double>& x) const {
        std::vector<double> y(x.size());
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
        for (std::size_t n = 0; n < x.size(); ++n) {
            y[n] = b0 * x[n] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x[n];
            y2 = y1;
            y1 = y[n];
        }
        return y;
    }
};

Biquad highPass(double f0, double q, double rate) {
    const double w = 2.0 * M_PI * f0 / rate, alpha = std::sin(w) / (2.0 * q), c = std::cos(w), a0 = 1.0 + alpha;
    return {(1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0};
}

Biquad peaking(double f0, double gainDb, double q, double rate) {
    const double A = std::pow(10.0, gainDb / 40.0), w = 2.0 * M_PI * f0 / rate, alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha / A;
    return {(1.0 + alpha * A) / a0, -2.0 * std::cos(w) / a0, (1.0 - alpha * A) / a0, -2.0 * std::cos(w) / a0,
            (1.0 - alpha / A) / a0};
}

// The drive exported at 51200 per second, played through the model, and
// saved as a controller saves the control channel: a pre-trigger, a tail,
// an offset and noise.
std::string playedAndMeasured(const std::string& exportedCsv) {
    std::vector<double> drive;
    for (const std::string& line : splitLines(exportedCsv)) {
        if (line.empty() || line[0] == 't') continue;
        const std::size_t comma = line.find(',');
        drive.push_back(std::stod(line.substr(comma + 1, line.find(',', comma + 1) - comma - 1)));
    }
    const double rate = 51200.0;
    const std::size_t pre = 2560, tail = 15360;
    std::vector<double> x(pre, 0.0);
    x.insert(x.end(), drive.begin(), drive.end());
    x.resize(x.size() + tail, 0.0);
    x = highPass(4.0, 0.7, rate).apply(x);
    x = peaking(800.0, 10.0, 4.0, rate).apply(x);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.02);
    std::string csv = "Time (s),Control (g)\n";
    char line[64];
    for (std::size_t i = 0; i < x.size(); ++i) {
        std::snprintf(line, sizeof line, "%.6f,%.5f\n", (static_cast<double>(i) - pre) / rate, x[i] + 0.05 + noise(random));
        csv += line;
    }
    return csv;
}

double worstMargin(const std::string& reportJson) {
    const std::size_t at = reportJson.find("\"margin_db\": ", reportJson.find("\"worst\": {"));
    return std::stod(reportJson.substr(at + 13));
}

}  // namespace

TEST(ClosedLoop, TwoCorrectionsBringAShotThroughAFixtureResonanceWithinTheBand) {
    const std::string dir = makeTempDir();
    const std::string spec = dir + "/plateau-75g.srs";
    const std::string shaker = dir + "/shaker.txt";
    writeFile(spec, readFile(std::string(KOLVANE_SOURCE_DIR) + "/examples/plateau-75g.srs"));
    writeFile(shaker, readFile(std::string(KOLVANE_SOURCE_DIR) + "/examples/shaker-76mm.txt"));
    const Command fit = call(runFit, {spec, dir + "/fit", "--attempts", "2", "--trials", "40", "--duration", "0.8", "--shaker", shaker,
                                      "--export", "csv", "--rate", "51200"});
    ASSERT_EQ(fit.status, fitPassed) << fit.err << fit.out;

    std::string reference = dir + "/fit";
    std::vector<double> margins;
    std::vector<int> statuses;
    std::printf("\n shot  played from  verdict  worst margin  deviation\n");
    for (int shot = 1; shot <= 3; ++shot) {
        const std::string measured = dir + "/shot" + std::to_string(shot) + ".csv";
        writeFile(measured, playedAndMeasured(readFile(reference + "/history.csv")));
        const std::string judged = dir + "/judged" + std::to_string(shot);
        const Command check = call(runReport, {spec, "--measured", measured, "--out", judged, "--reference", reference,
                                               "--shaker", shaker});
        ASSERT_NE(check.status, reportUnusableInput) << check.err;
        const std::string json = readFile(judged + "/report.json");
        margins.push_back(worstMargin(json));
        statuses.push_back(check.status);
        const std::size_t deviation = check.out.find(" Deviation:");
        std::printf(" %4d  %-11s  %-7s  %+9.2f dB  %s\n", shot, reference.substr(dir.size() + 1).c_str(),
                    check.status == reportPassed ? "PASS" : "FAIL", margins.back(),
                    check.out.substr(deviation + 24, check.out.find('\n', deviation) - deviation - 24).c_str());
        EXPECT_TRUE(contains(json, "\"reference\": {\"folder\": \"" + reference + "\"")) << json.substr(0, 3000);
        if (shot == 3) break;
        const std::string next = dir + "/drive" + std::to_string(shot);
        const Command drive = call(runFit, {spec, next, "--correct", measured, "--reference", reference, "--shaker",
                                            shaker, "--export", "csv", "--rate", "51200"});
        ASSERT_EQ(drive.status, fitPassed) << drive.err << drive.out;
        EXPECT_TRUE(contains(drive.out, "DRIVE: correction " + std::to_string(shot))) << drive.out;
        if (shot == 1) {
            EXPECT_TRUE(contains(drive.out, "Warning: the shot lies more than 6 dB off its target at ")) << drive.out;
        }
        const std::string runOut = readFile(next + "/run.out");
        EXPECT_TRUE(contains(runOut, "holds = drive\n"));
        EXPECT_TRUE(contains(runOut, "drive_reference = " + reference + " (")) << runOut;
        EXPECT_TRUE(contains(runOut, "drive_measured = " + measured + " (FNV-1a 64 ")) << runOut;
        // The drive folder as the report and the export take it.
        const Command driveReport = call(runReport, {spec, next, "--shaker", shaker, "--prefix", "again"});
        EXPECT_EQ(driveReport.status, reportPassed) << driveReport.err;
        EXPECT_TRUE(contains(driveReport.out, " Verdict:               DRIVE\n")) << driveReport.out;
        EXPECT_TRUE(contains(readFile(next + "/again-report.json"), "\"verdict\": \"DRIVE\""));
        EXPECT_TRUE(contains(readFile(next + "/history.json"), "\"verdict\": \"a drive")) << readFile(next + "/history.json");
        reference = next;
    }
    EXPECT_EQ(statuses.front(), reportCheckFailed) << "the fixture's resonance takes the first shot out of the band";
    EXPECT_LT(margins.front(), 0.0);
    EXPECT_EQ(statuses.back(), reportPassed);
    EXPECT_GT(margins.back(), margins.front() + 2.0);

    // A drive beyond the shaker is not written.
    writeFile(shaker, "acceleration_g = 24\n");
    const Command refused = call(runFit, {spec, dir + "/refused", "--correct", dir + "/shot1.csv", "--reference",
                                          dir + "/fit", "--shaker", shaker});
    EXPECT_EQ(refused.status, fitNoPass) << refused.err << refused.out;
    EXPECT_TRUE(contains(refused.out, "The drive would exceed the shaker, so it is not written")) << refused.out;
    EXPECT_FALSE(fileExists(dir + "/refused/run.out"));
    // What --correct needs, and what it does not take.
    for (const auto& [args, words] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{spec, dir + "/x", "--correct", dir + "/shot1.csv", "--shaker", shaker}, "--correct needs --reference"},
             {{spec, dir + "/x", "--correct", dir + "/shot1.csv", "--reference", dir + "/fit"}, "--correct needs --shaker"},
             {{spec, dir + "/x", "--correct", dir + "/shot1.csv", "--reference", dir + "/fit", "--shaker", shaker,
               "--zpa", "30"},
              "--zpa is an answer or a limit of the search"},
             {{spec, dir + "/x", "--window", "0,1"}, "--window reads a measured record"},
             {{spec, dir + "/fit", "--correct", dir + "/shot1.csv", "--reference", dir + "/fit", "--shaker", shaker},
              "the output folder is the reference's"}}) {
        const Command wrong = call(runFit, args);
        EXPECT_EQ(wrong.status, fitUnusableInput);
        EXPECT_TRUE(contains(wrong.err, words)) << wrong.err;
    }
    removeTree(dir);
}
