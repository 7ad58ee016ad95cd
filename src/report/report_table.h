#pragma once

#include <string>

#include "report/report_inputs.h"
#include "report/verdict.h"

// The text report: one row per srs.out frequency, then the summary lines.
std::string reportTableText(const ReportInputs& inputs, const ReportFindings& findings);

// The summary lines alone (also shown on the HTML page).
std::string reportSummaryText(const ReportInputs& inputs, const ReportFindings& findings);

// "pass", "FAIL pos", "FAIL neg" or "FAIL both".
const char* rowVerdictText(const SrsRow& row);
