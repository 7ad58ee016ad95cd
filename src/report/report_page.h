#pragma once

#include <string>
#include <vector>

#include "report/judged_history.h"
#include "spec/spec_text.h"
#include "report/verdict.h"
#include "run_folder/export_record.h"

// What the page records about the check itself, so that it can be filed.
struct CheckRecord {
    std::string checkedUtc;              // "2026-12-09 06:10:00 UTC"
    std::string outputDir;               // the run's folder as given
    std::vector<std::string> arguments;  // the command's arguments as typed
    std::string program = "kolvane_report";  // the command they were given to
    std::string title;                        // the test item
    std::string note;                         // its axis, the operator, ...
    std::vector<ExportRecord> exports;        // what the controller plays
};

// When the check is made: now, or the time SOURCE_DATE_EPOCH gives (seconds
// since 1970), so that a page can be made again byte for byte.
std::string checkTimeUtc();

// One self-contained HTML page, with no scripts and nothing loaded from
// elsewhere. Page 1, on A4 or Letter, holds the record of the check, the
// verdict, the run's settings and the SRS plot, and what to change as far as
// it goes; then the summary, the history plot, the specification's points
// and the table of every analysis point.
std::string reportPageHtml(const SpecText& spec, const JudgedHistory& history, const ReportFindings& findings,
                           const CheckRecord& check, const std::string& srsSvg, const std::string& historySvg);
