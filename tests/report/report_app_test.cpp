#include "report/report_app.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "report_fixture.h"

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

TEST(ReportCommand, AMatchingRunPassesAndWritesTablePlotsAndPage) {
    ScratchRun run;
    const Outcome outcome = runWith({run.specPath(), run.dir()});
    EXPECT_EQ(outcome.status, reportPassed) << outcome.err;
    EXPECT_TRUE(contains(outcome.out, "       20.000  1.82662e+000  1.82662e+000  1.82662e+000"
                                      "      0.00      0.00  pass\n"))
        << outcome.out;
    EXPECT_TRUE(contains(outcome.out, " SRS within -3.00 / +6.00 dB: PASS (0 of 3 frequencies outside)"));
    EXPECT_TRUE(contains(outcome.out, "Peak velocity:"));
    EXPECT_TRUE(contains(outcome.out, "in/sec"));
    EXPECT_TRUE(contains(outcome.out, " Optimum case:          1 (score 2, lowest of 3 trials ranked), 2 wavelets"));
    EXPECT_TRUE(contains(outcome.out, " Verdict:               PASS"));

    const std::string srs = run.read("srs.svg");
    EXPECT_EQ(srs.rfind("<?xml", 0), 0u);
    EXPECT_TRUE(contains(srs, ">Natural frequency (Hz)</text>"));
    EXPECT_TRUE(contains(srs, ">Peak acceleration (G)</text>"));
    EXPECT_TRUE(contains(srs, ">Negative SRS</text>"));
    EXPECT_TRUE(contains(srs, ">1000</text>"));  // a decade tick label
    const std::string history = run.read("history.svg");
    EXPECT_TRUE(contains(history, ">Displacement (in)</text>"));
    EXPECT_TRUE(contains(history, ">Time (sec)</text>"));

    const std::string page = run.read("report.html");
    EXPECT_TRUE(contains(page, "<span class=\"verdict pass\" id=\"verdict\">PASS</span>"));
    EXPECT_EQ(page.find("<?xml"), std::string::npos);  // the SVG is inline
    EXPECT_TRUE(contains(page, "<svg") && contains(page.substr(page.find("<svg") + 4), "<svg"));
    EXPECT_FALSE(contains(page, "<script"));
    EXPECT_FALSE(contains(page, "http://") && !contains(page, "xmlns=\"http://www.w3.org/2000/svg\""));
}

TEST(ReportCommand, FailedChecksGiveStatusTwo) {
    ScratchRun run;
    run.writeSrs({{10.0, 1.0, 1.0}, {20.0, 1.82662, 0.9}, {2000.0, 100.0, 100.0}});
    Outcome outcome = runWith({run.specPath(), run.dir()});
    EXPECT_EQ(outcome.status, reportCheckFailed);
    EXPECT_TRUE(contains(outcome.out, "-6.15  FAIL neg\n")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, " Smallest margin:       -3.148 dB, negative SRS at 20.000 Hz (lower edge)"))
        << outcome.out;
    EXPECT_TRUE(contains(run.read("report.html"), "<td class=\"fail\">FAIL neg</td>"));
    EXPECT_TRUE(contains(run.read("srs.svg"), ">Outside the band</text>"));

    // A wider band takes the same point in.
    EXPECT_EQ(runWith({run.specPath(), run.dir(), "--tolerance", "-6.5,6"}).status, reportPassed);

    ScratchRun fast;
    outcome = runWith({fast.specPath(), fast.dir(), "--max-velocity=1.2", "--max-displacement", "1"});
    EXPECT_EQ(outcome.status, reportCheckFailed);
    EXPECT_TRUE(contains(outcome.out, "limit 1.2000 in/sec: FAIL")) << outcome.out;
    EXPECT_TRUE(contains(outcome.out, "limit 1.0000 in: PASS")) << outcome.out;
}

TEST(ReportCommand, UsageAndOptionErrors) {
    Outcome outcome = runWith({"--help"});
    EXPECT_EQ(outcome.status, reportPassed);
    EXPECT_TRUE(contains(outcome.out, "Usage: kolvane_report SPEC_FILE [OUTPUT_DIR] [options]"));

    const std::vector<std::vector<std::string>> bad = {
        {},
        {"a.srs", "dir", "extra"},
        {"a.srs", "--tolerance", "6,-3"},
        {"a.srs", "--tolerance", "-3"},
        {"a.srs", "--max-velocity", "fast"},
        {"a.srs", "--max-displacement"},
        {"a.srs", "--colour"},
    };
    for (const auto& args : bad) {
        outcome = runWith(args);
        EXPECT_EQ(outcome.status, reportUnusableInput) << (args.empty() ? "" : args.back());
        EXPECT_TRUE(contains(outcome.err, "kolvane_report: ")) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, "Usage:"));
    }
}

TEST(ReportCommand, EveryMissingFileIsNamedAndGivesStatusOne) {
    for (const char* name : {"srs.out", "accel.out", "velox.out", "disp.out", "trials.out", "rank.out", "wavelet.out",
                             "test.srs"}) {
        ScratchRun run;
        run.remove(name);
        const Outcome outcome = runWith({run.specPath(), run.dir()});
        EXPECT_EQ(outcome.status, reportUnusableInput) << name;
        EXPECT_TRUE(contains(outcome.err, "cannot open ")) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, run.path(name))) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
        EXPECT_TRUE(run.read("report.html").empty());
    }
}

TEST(ReportCommand, MetricAccelerationUnitsReachTableAndPlots) {
    ScratchRun run;
    run.writeUnits(3);
    const Outcome outcome = runWith({run.specPath(), run.dir() + "/"});
    EXPECT_EQ(outcome.status, reportPassed) << outcome.err;
    EXPECT_TRUE(contains(outcome.out, "(levels in m/sec^2)"));
    EXPECT_TRUE(contains(outcome.out, " mm "));
    EXPECT_TRUE(contains(run.read("srs.svg"), ">Peak acceleration (m/sec^2)</text>"));
    EXPECT_TRUE(contains(run.read("history.svg"), ">Velocity (m/sec)</text>"));
}

TEST(ReportCommand, LongRecordsKeepTheHistoryPlotSmall) {
    ScratchRun run;
    run.writeMotion(20000.0, 149999, 3.0, 1.0);
    const Outcome outcome = runWith({run.specPath(), run.dir()});
    ASSERT_EQ(outcome.status, reportPassed) << outcome.err;
    EXPECT_GT(run.read("accel.out").size(), 4000000u);
    EXPECT_LT(run.read("history.svg").size(), 150000u);
}
