#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "fit/fit_folder.h"
#include "fit/fit_options.h"
#include "report/write_report.h"

// What the fit writes about the history it keeps, a search's or a drive's.

// The report's own page, plots and table of the kept history, with the same
// rules and the same shaker; its files are the fit's.
bool writeKeptReport(const ReportRequest& request, OutputFolder& folder, std::ostream& err);

// The kept history in the formats asked for, as kolvane_export writes it,
// marked with `verdictTag` when it fails; its files are the fit's.
bool exportKeptHistory(const FitOptions& options, const RunFolder& kept, const std::string& verdictTag,
                       std::uint64_t judgedChecksum, OutputFolder& folder, ExportRecord& exported, std::ostream& out,
                       std::ostream& err);
