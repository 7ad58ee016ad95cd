#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "report/acceptance.h"
#include "report/judged_history.h"
#include "report/verdict.h"
#include "run_folder/export_record.h"
#include "run_folder/shaker.h"
#include "spec/spec_text.h"

// The report's typed door: the values a report is made of, judged and
// written by one call. kolvane_report reads its files into one; the fit and
// the Python module pass theirs directly.
struct ReportRequest {
    SpecText specification;  // read strictly; its path names it on the page
    JudgedHistory history;
    AcceptanceRules rules;   // the band file, if any, already read
    MotionLimits limits;
    std::optional<ShakerLimits> shaker;
    // Where the files go, under what prefix (NAME-srs.svg, ...), and the
    // command as typed, for the page's record of the check.
    std::string outputDir = ".";
    std::string prefix;
    std::vector<std::string> commandLine{"kolvane_report"};
    // What the page records of the test beside the check: the test item
    // (--title), a note such as its axis and operator (--note), and the files
    // exported for the controller.
    std::string title;
    std::string note;
    std::vector<ExportRecord> exports;
};

enum class ReportStatus { passed, checkFailed, unusable };

// The exit status of a report with that outcome: 0, 2 or 1.
int reportExitStatus(ReportStatus status);

struct ReportResult {
    ReportStatus status = ReportStatus::unusable;
    ReportFindings findings;  // with status other than unusable
    std::string table;        // the text table and summary, as printed
    std::vector<std::string> writtenFiles;  // the paths written, in order
    std::string error;        // why it is unusable
};

// Judges the history as the report does, without writing anything: the
// consistency checks, the independent SRS against the band, the motion
// limits and the shaker. False, with `error` set, when the history cannot be
// judged.
bool judgeHistory(const ReportRequest& request, ReportFindings& findings, std::string& error);

// Judges, writes srs.svg, history.svg, report.html, analysis.csv and
// report.json into the output folder (never over one of the report's own
// inputs), then prints the table, the verdict last, and the files written to
// `out`.
ReportResult writeReport(const ReportRequest& request, std::ostream& out);
