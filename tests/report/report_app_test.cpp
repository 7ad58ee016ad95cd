#include "report/report_app.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "real_run.h"
#include "common/json_writer.h"
#include "report/report_plots.h"
#include "scratch_run.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome runWith(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    Outcome outcome;
    outcome.status = runReport(args, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(ReportCommand, APassingRunWritesTableSummaryPlotsPageCsvAndJson) {
    const RealRun run(exampleAnswers("pyroshock-extended.srs", 320, 2, 10, 50));
    const Outcome outcome = runWith({run.judgedSpec(), run.dir(), "--q", "10"});
    EXPECT_EQ(outcome.status, reportPassed) << outcome.err << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "     fn(Hz)        spec         pos         neg     maximax      dB  margin  pass"
                                      "  place\n"));
    EXPECT_TRUE(contains(outcome.out, "\n      100.0       30.00 ")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "\n    10000.0      1000.0 ")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, " SRS (maximax) within -3.00 / +6.00 dB: PASS (0 of 81 points outside)"));
    EXPECT_TRUE(contains(outcome.out, "1/6 octave (41 grid points, the last at 10159.4 Hz)")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "Peak velocity:"));
    EXPECT_TRUE(contains(outcome.out, "in/sec"));
    EXPECT_TRUE(contains(outcome.out, " Optimum case:          "));
    EXPECT_FALSE(contains(outcome.out, "To do:"));
    EXPECT_TRUE(contains(outcome.out, " Verdict:               PASS"));
    // The run's file is the judged one with a point above its top: said so, without a warning.
    EXPECT_TRUE(contains(outcome.out, " Note: the run synthesised against pyroshock-extended.srs: this specification "
                                      "with 1 point added above its last frequency, up to 10160 Hz\n"))
        << outcome.out;
    EXPECT_FALSE(contains(outcome.out, "Warning"));

    const std::string srs = run.read("srs.svg");
    EXPECT_EQ(srs.rfind("<?xml", 0), 0u);
    EXPECT_TRUE(contains(srs, ">Natural frequency (Hz)</text>"));
    EXPECT_TRUE(contains(srs, ">Peak acceleration (G)</text>"));
    EXPECT_TRUE(contains(srs, ">Independent SRS, negative</text>"));
    EXPECT_TRUE(contains(srs, ">srs.out at the grid points (pos, neg)</text>"));
    EXPECT_TRUE(contains(srs, ">1000</text>"));  // a decade tick label
    EXPECT_TRUE(contains(srs, ">synthesis grid up to 10159.4 Hz</text>"));
    const std::string history = run.read("history.svg");
    EXPECT_TRUE(contains(history, ">Displacement (in)</text>"));
    EXPECT_TRUE(contains(history, ">Time (sec)</text>"));

    const std::string page = run.read("report.html");
    EXPECT_TRUE(contains(page, "<span class=\"verdict pass\" id=\"verdict\">PASS</span>"));
    EXPECT_TRUE(contains(page, "id=\"run-settings\">Run: ZPA 320.0 G, 1/6 octave"));
    EXPECT_TRUE(contains(page, "<thead><tr><th>fn (Hz)</th>"));
    EXPECT_TRUE(contains(page, "@media print{"));
    EXPECT_TRUE(contains(page, "<td>10000.0</td><td>1000.0</td>")) << "numbers as an engineer reads them";
    EXPECT_FALSE(contains(page, "e+00"));
    EXPECT_EQ(page.find("<?xml"), std::string::npos);  // the SVG is inline
    EXPECT_TRUE(contains(page, "<svg") && contains(page.substr(page.find("<svg") + 4), "<svg"));
    EXPECT_FALSE(contains(page, "<script"));
    EXPECT_FALSE(contains(page, "http://") && !contains(page, "xmlns=\"http://www.w3.org/2000/svg\""));

    const std::vector<std::string> csv = splitLines(run.read("analysis.csv"));
    ASSERT_EQ(csv.size(), 82u);
    EXPECT_EQ(csv[0].rfind("frequency_hz,spec,pos,neg,maximax,", 0), 0u);
    EXPECT_EQ(csv[1].rfind("100.000,3.00000e+001,", 0), 0u) << csv[1];

    const std::string json = run.read("report.json");
    EXPECT_TRUE(contains(json, "\"verdict\": \"PASS\""));
    EXPECT_TRUE(contains(json, "\"zpa\": 320, \"octave_spacing\": \"1/6\""));
    EXPECT_TRUE(contains(json, "\"tolerance\": {\"low_db\": -3, \"high_db\": 6}"));
    EXPECT_TRUE(contains(json, "\"worst_points\": [\n    {\"frequency_hz\": "));
}

TEST(ReportCommand, AFailingRunSaysWhyAndWhatToChange) {
    // The original specification at 1/6 octave: short above the 9051 Hz grid point.
    const RealRun run(exampleAnswers("pyroshock.srs", 250, 2, 10, 50));
    Outcome outcome = runWith({run.judgedSpec(), run.dir(), "--q", "10"});
    EXPECT_EQ(outcome.status, reportCheckFailed) << outcome.err;
    EXPECT_TRUE(contains(outcome.out, "  FAIL  above\n")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, " Worst margin:          -0.")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "at 10000.0 Hz (")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "above the last synthesis grid point (9051.0 Hz)")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, " To do: The SRS falls short above the last synthesis grid point (9051.0 Hz)"));
    EXPECT_TRUE(contains(outcome.out, "add the specification point \"10160 1000.0\"")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, " Verdict:               FAIL"));
    EXPECT_TRUE(contains(run.read("report.html"), "<ul class=\"guidance\" id=\"guidance\">"));
    EXPECT_TRUE(contains(run.read("report.html"), "<td class=\"fail\">FAIL</td>"));
    const std::string srs = run.read("srs.svg");
    EXPECT_TRUE(contains(srs, ">Outside the band</text>"));
    EXPECT_TRUE(contains(srs, ">last grid point 9051.0 Hz</text>")) << "the top edge of the synthesis grid";
    EXPECT_TRUE(contains(srs, ">Above the synthesis grid</text>"));
    const std::string json = run.read("report.json");
    EXPECT_TRUE(contains(json, "\"extend_specification\": true, \"extension_frequency_hz\": 10160,"));
    EXPECT_TRUE(contains(json, "\"place\": \"above\""));

    // A wider band takes the same point in.
    EXPECT_EQ(runWith({run.judgedSpec(), run.dir(), "--q", "10", "--tolerance", "-6.5,6"}).status, reportPassed);

    outcome = runWith({run.judgedSpec(), run.dir(), "--q=10", "--tolerance=-6.5,6", "--max-velocity=1.2",
                       "--max-displacement", "1"});
    EXPECT_EQ(outcome.status, reportCheckFailed);
    EXPECT_TRUE(contains(outcome.out, "limit 1.2000 in/sec: FAIL")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "limit 1.0000 in: PASS")) << outcome.out;
    EXPECT_TRUE(contains(run.read("history.svg"), ">limit 1.200 in/sec</text>"));
}

TEST(ReportCommand, APrefixKeepsTwoChecksOfOneRunSideBySide) {
    const RealRun run(exampleAnswers("pyroshock.srs", 250, 2, 10, 20));
    EXPECT_EQ(runWith({run.judgedSpec(), run.dir(), "--q", "10", "--prefix", "lab", "--tolerance", "-0.5,0.5"}).status,
              reportCheckFailed);
    EXPECT_EQ(runWith({run.judgedSpec(), run.dir(), "--q", "10", "--prefix=wide", "--tolerance", "-9,9"}).status,
              reportPassed);
    for (const char* name : {"srs.svg", "history.svg", "report.html", "analysis.csv", "report.json"}) {
        EXPECT_TRUE(fileExists(run.path(std::string("lab-") + name))) << name;
        EXPECT_TRUE(fileExists(run.path(std::string("wide-") + name))) << name;
        EXPECT_FALSE(fileExists(run.path(name))) << name;
    }
    EXPECT_TRUE(contains(run.read("lab-report.json"), "\"verdict\": \"FAIL\""));
    EXPECT_TRUE(contains(run.read("wide-report.json"), "\"verdict\": \"PASS\""));
}

TEST(ReportCommand, UsageAndOptionErrors) {
    for (const char* help : {"--help", "-h"}) {
        const Outcome outcome = runWith({help});
        EXPECT_EQ(outcome.status, reportPassed);
        EXPECT_TRUE(contains(outcome.out, "Usage: kolvane_report SPEC_FILE [OUTPUT_DIR] [options]"));
        EXPECT_TRUE(contains(outcome.out, "--analysis-spacing 6|12|24"));
    }

    const std::vector<std::vector<std::string>> bad = {
        {},
        {"a.srs", "dir", "extra"},
        {"a.srs", ""},
        {"a.srs", "--tolerance", "6,-3"},
        {"a.srs", "--tolerance", "-3"},
        {"a.srs", "--polarity", "neg"},
        {"a.srs", "--analysis-spacing", "10"},
        {"a.srs", "--prefix", "../up"},
        {"a.srs", "--prefix", ""},
        {"a.srs", "--max-velocity", "fast"},
        {"a.srs", "--max-displacement"},
        {"a.srs", "--colour"},
        {"a.srs", "--shaker", ""},
        {"a.srs", "--shaker", "a.txt", "--shaker", "b.txt"},
        {"a.srs", "--aim", "high"},
    };
    for (const auto& args : bad) {
        const Outcome outcome = runWith(args);
        EXPECT_EQ(outcome.status, reportUnusableInput) << (args.empty() ? "" : args.back());
        EXPECT_TRUE(contains(outcome.err, "kolvane_report: ")) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, "Usage:"));
    }
    EXPECT_TRUE(contains(runWith({"a.srs", ""}).err, "OUTPUT_DIR is empty"));
    EXPECT_TRUE(contains(runWith({"a.srs", "--tolerance", "1.5,3"}).err, "--tolerance needs LOW <= 0 <= HIGH"));

    // A mistake in a file the command names, or in what it is given, is one
    // line, without the usage text after it.
    ScratchRun run;
    run.write("band.txt", "10 100 -3 6\n100 50 -3 6\n");
    const std::string emptyFolder = run.path("empty");
    std::filesystem::create_directory(emptyFolder);
    const struct {
        std::vector<std::string> args;
        const char* said;
    } dataErrors[] = {
        {{run.specPath(), run.dir(), "--band-file", run.path("band.txt")}, "band.txt line 2: the frequencies must be"},
        {{run.specPath(), run.dir(), "--shaker", run.path("band.txt")}, "line 1: unknown key \"10 100 -3 6\""},
        {{run.dir()}, " is a folder: give the specification file first, then the run's folder"},
        {{run.specPath(), emptyFolder}, "empty holds no run of kolvane_zpa"},
    };
    for (const auto& c : dataErrors) {
        const Outcome outcome = runWith(c.args);
        EXPECT_EQ(outcome.status, reportUnusableInput) << c.said;
        EXPECT_TRUE(contains(outcome.err, c.said)) << outcome.err;
        EXPECT_EQ(splitLines(outcome.err).size(), 1u) << outcome.err;
    }
}

// Hostile specifications: a table the program would read only in part is
// refused with its line and word, whatever is not finite or not ascending
// too; a byte-order mark and a heading line are forgiven with a note; a
// specification that starts at a thousandth of a hertz is judged as fast as
// any other.
TEST(ReportCommand, HostileSpecifications) {
    const RealRun run(exampleAnswers("pyroshock-extended.srs", 320, 2, 10, 20));
    const struct {
        const char* text;
        int status;
        const char* said;  // on the error stream for status 1, else in the table
    } cases[] = {
        {"100 30\n1000 1000\nabc 1000\n10000 1000\n", reportUnusableInput,
         "line 3: \"abc\" is not a number; the program would stop reading there and use only the 2 points read by then"},
        {"100 30\n1000 1000\n10000 1OOO\n", reportUnusableInput,
         "line 3: \"1OOO\" is not a number; the program would stop reading there and use only the 3 points read by then"},
        {"100 30\n1000 1000\n2000 7S\n", reportUnusableInput, "use only the 3 points read by then"},
        {"inf 30\n1000 1000\n", reportUnusableInput, "line 1: \"inf\" is not a finite number"},
        {"100 30\n1000 inf\n", reportUnusableInput, "line 2: \"inf\" is not a finite number"},
        {"100 30\n1000\n", reportUnusableInput, "line 2: the frequency 1000 Hz has no level after it"},
        {"1000 30\n100 1000\n", reportUnusableInput, "point 2: the frequency 100 Hz is not above the one before it"},
        {"100 -30\n1000 1000\n", reportUnusableInput, "point 1: the level -30 is not above zero"},
        {"fn level\nHz G\n100 30\n", reportUnusableInput, "line 2: \"Hz\" is not a number"},
        {"", reportUnusableInput, "no frequency/level pairs"},
        {"10 1\n1e308 1\n", reportUnusableInput, "it spans 1019 octaves, 10 to 1e+308 Hz, more than the 66"},
        {"\xEF\xBB\xBF" "100 30\n1000 1000\n10000 1000\n", reportPassed, "starts with a UTF-8 byte-order mark"},
        {"Frequency;Level\n100;30\n1000;1000\n10000;1000\n", reportPassed,
         "line 1, \"Frequency Level\", is taken as a heading"},
        {"0.001 0.001\n100 30\n1000 1000\n10000 1000\n", reportCheckFailed, "Verdict:               FAIL"},
    };
    for (const auto& c : cases) {
        writeFile(run.path("judged.srs"), c.text);
        const Outcome outcome = runWith({run.path("judged.srs"), run.dir()});
        EXPECT_EQ(outcome.status, c.status) << c.text << outcome.err;
        EXPECT_TRUE(contains(c.status == reportUnusableInput ? outcome.err : outcome.out, c.said))
            << c.text << outcome.err << outcome.out.substr(0, 300);
    }
    std::string many;
    for (int i = 1; i <= 201; ++i) many += std::to_string(100 * i) + " 30\n";
    writeFile(run.path("judged.srs"), many);
    EXPECT_TRUE(contains(runWith({run.path("judged.srs"), run.dir()}).err, "more than 200 points (201 frequency"));
}

TEST(ReportCommand, EveryMissingFileIsNamedAndGivesStatusOne) {
    for (const char* name : {"srs.out", "accel.out", "velox.out", "disp.out", "trials.out", "rank.out", "wavelet.out",
                             "test.srs"}) {
        ScratchRun run;
        run.remove(name);
        const Outcome outcome = runWith({run.specPath(), run.dir(), "--q", "10"});
        EXPECT_EQ(outcome.status, reportUnusableInput) << name;
        EXPECT_TRUE(contains(outcome.err, "cannot open ") || contains(outcome.err, "cannot read ")) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, run.path(name))) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
        EXPECT_TRUE(run.read("report.html").empty());
    }
}

TEST(ReportCommand, MetricAccelerationUnitsReachTableAndPlots) {
    const RealRun run(exampleAnswers("pyroshock-extended.srs", 320, 2, 10, 20, 3));
    const Outcome outcome = runWith({run.judgedSpec(), run.dir() + "/", "--q", "10"});
    EXPECT_NE(outcome.status, reportUnusableInput) << outcome.err;
    EXPECT_TRUE(contains(outcome.out, "(levels in m/sec^2)"));
    EXPECT_TRUE(contains(outcome.out, " mm "));
    EXPECT_TRUE(contains(run.read("srs.svg"), ">Peak acceleration (m/sec^2)</text>"));
    EXPECT_TRUE(contains(run.read("history.svg"), ">Velocity (m/sec)</text>"));
    EXPECT_TRUE(contains(run.read("report.json"), "\"acceleration\": \"m/sec^2\""));
}

TEST(ReportCommand, LongRecordsKeepTheHistoryPlotSmall) {
    // 149999 samples at 20000 per second, as the longest record a run writes.
    JudgedHistory history;
    RunFolder& inputs = history.folder;
    for (MotionRecord* record : {&inputs.acceleration, &inputs.velocity, &inputs.displacement}) {
        for (int i = 0; i < 149999; ++i) {
            record->time.push_back(i / 20000.0);
            record->value.push_back(std::sin(i * 0.05) * std::exp(-i * 1e-5));
        }
    }
    inputs.unitSystem = 1;
    ReportFindings findings;
    findings.limits.maxVelocity = 0.5;
    const std::string svg = historyPlotSvg(history, findings, "history");
    EXPECT_LT(svg.size(), 150000u);
    EXPECT_TRUE(contains(svg, ">limit 0.5000 in/sec</text>"));
}

TEST(ReportJson, StringsAreEscapedAndNonFiniteNumbersAreNull) {
    EXPECT_EQ(jsonString("a\"b\\c\nd\te\x01"), "\"a\\\"b\\\\c\\nd\\te\\u0001\"");
    EXPECT_EQ(jsonNumber(std::numeric_limits<double>::quiet_NaN()), "null");
    EXPECT_EQ(jsonNumber(-std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(jsonNumber(0.1), "0.1");
    EXPECT_EQ(jsonNumber(-3.0), "-3");
}
