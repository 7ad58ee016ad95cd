#pragma once

#include <string>

#include "common/text_file.h"

#include "report/acceptance.h"
#include "report/judged_history.h"
#include "spec/spec_text.h"
#include "report/report_page.h"
#include "report/verdict.h"

// The files a report writes into its folder, each after the --prefix stem.
constexpr const char* srsPlotFileName = "srs.svg";
constexpr const char* historyPlotFileName = "history.svg";
constexpr const char* reportPageFileName = "report.html";
constexpr const char* analysisFileName = "analysis.csv";
constexpr const char* reportJsonFileName = "report.json";
constexpr const char* reportFileNameList[] = {reportPageFileName, srsPlotFileName, historyPlotFileName,
                                              analysisFileName, reportJsonFileName};

struct ReportFileNames {
    std::string srsPlot;
    std::string historyPlot;
    std::string page;
    std::string analysis;
    std::string json;
};

// analysis.csv: one row per analysis point; the first five columns are
// frequency_hz,spec,pos,neg,maximax in srs.out's units and layout of numbers.
// With a reference, each row also gives its SRS as played and the measured
// less it, in dB.
std::string analysisCsv(const AcceptanceOutcome& outcome, const ReferenceComparison* reference = nullptr);

// report.json: the run's settings, the rules applied, the verdict, the worst
// points, the motion checks and the guidance.
std::string reportJson(const SpecText& spec, const JudgedHistory& history, const ReportFindings& findings,
                       const CheckRecord& check);
