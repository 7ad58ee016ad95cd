#pragma once

#include <string>

#include "report/report_inputs.h"
#include "report/verdict.h"

// One self-contained HTML page: the summary, both plots inline and the table,
// with no scripts and nothing loaded from elsewhere.
std::string reportPageHtml(const std::string& specPath, const ReportInputs& inputs, const ReportFindings& findings,
                           const std::string& srsSvg, const std::string& historySvg);
