#pragma once

#include <string>
#include <vector>

#include "report/acceptance.h"
#include "report/judged_history.h"
#include "spec/spec_text.h"
#include "report/verdict.h"

// The text report: one row per analysis frequency, then the summary lines.
std::string reportTableText(const JudgedHistory& history, const ReportFindings& findings);

// The summary lines alone (also shown on the HTML page).
std::string reportSummaryText(const JudgedHistory& history, const ReportFindings& findings);

// The run's settings in one line, e.g. "ZPA 250.0 G, 1/6 octave (40 grid
// points, the last at 9051.0 Hz), Q 10.00, ...".
std::string runSettingsText(const RunSettings& run, const UnitNames& units);

// What was judged, labelled: "Run: " and the run's settings, "Measured: "
// and the record, its window and damping, or "Drive: " and its lineage.
std::string judgedSettingsText(const JudgedHistory& history, const RunSettings& run, const UnitNames& units);

// Whether the velocity and displacement of a measured record (estimates)
// are shown: with a shaker or a limit to judge them against.
bool motionShown(const JudgedHistory& history, const ReportFindings& findings);

// One sentence per piece of guidance; empty when the check passes.
std::vector<std::string> guidanceLines(const AcceptanceOutcome& outcome, const UnitNames& units);

// What to change for every check that fails: the spectrum's guidance, then a
// sentence for each shaker limit the history exceeds.
std::vector<std::string> adviceLines(const ReportFindings& findings, const UnitNames& units);

// "grid", "between" or "above" with the grid frequency it refers to.
std::string placeText(const AcceptanceOutcome& outcome, PointPlace place);

// "PASS", "FAIL", or "FAIL (shaker)" when only the shaker fails; for a
// drive, "DRIVE", "DRIVE (beyond the shaker)" or "DRIVE (beyond the limits)".
const char* verdictWords(const ReportFindings& findings);

// "pass", "FAIL pos", "FAIL neg" or "FAIL both".
const char* rowVerdictText(const SrsRow& row);
