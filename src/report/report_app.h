#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "measured/measured_options.h"
#include "report/acceptance.h"
#include "report/verdict.h"
#include "report/write_report.h"
#include "run_folder/shaker.h"

constexpr int reportPassed = 0;
constexpr int reportUnusableInput = 1;
constexpr int reportCheckFailed = 2;

struct ReportOptions {
    std::string specPath;
    std::string outputDir = ".";
    AcceptanceRules rules;
    MotionLimits limits;
    std::string shakerPath;              // --shaker FILE
    std::optional<ShakerLimits> shaker;  // read by readCheckFiles
    std::string prefix;  // --prefix NAME: NAME-srs.svg, NAME-report.html, ...
    std::string title;   // --title TEXT: the test item
    std::string note;    // --note TEXT: its axis, the operator, ...
    // --measured FILE --out DIR [--reference RUN_DIR]: a shot measured on
    // the shaker instead of a run folder, read and judged by these options.
    std::string measuredPath;
    std::string referenceDir;
    MeasuredOptions measured;
    bool help = false;
};

extern const char* const reportUsage;

// Arguments without the program name. False, with `error` set, for a mistake
// in the command line itself, which the usage text follows.
bool parseReportOptions(const std::vector<std::string>& args, ReportOptions& options, std::string& error);

// The whole command: reads the files it names into a ReportRequest and
// hands it to writeReport. Returns the exit status.
int runReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
