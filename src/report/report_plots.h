#pragma once

#include <string>

#include "report/judged_history.h"
#include "spec/spec_text.h"
#include "report/verdict.h"

// Both return a complete <svg> element. `idPrefix` keeps the clip-path ids of
// several plots on one HTML page apart.

// Log-log SRS plot: specification, tolerance band, positive and negative SRS,
// failing points ringed, legend and axis titles with units.
std::string srsPlotSvg(const SpecText& spec, const JudgedHistory& history, const ReportFindings& findings,
                       const std::string& idPrefix);

// Acceleration, velocity and displacement against time in three panels that
// share the time axis; long records are drawn as the minimum and maximum of
// each pixel column.
std::string historyPlotSvg(const JudgedHistory& history, const ReportFindings& findings, const std::string& idPrefix);
