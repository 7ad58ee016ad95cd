#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "fit/fit_folder.h"
#include "fit/fit_options.h"
#include "fit/fit_record.h"
#include "report/write_report.h"
#include "spec/spec_text.h"

// The fit's plan: a fixed sequence of attempts, each a plain run of the
// program on answers, decided only by what the earlier attempts measured, so
// that a fit repeats exactly on any machine.
//
// 1. The spectrum: from the first plan, each attempt changes what the last
//    one's check asks for (ZPA, spacing, the specification's extension);
//    after the first pass one more attempt centres the spectrum in the band
//    when it lies well off centre. At most --attempts attempts, and never an
//    attempt already made.
// 2. The shaker, when the passing history needs more stroke or velocity
//    than the shaker has: durations doubling from the first one's up to the
//    longest allowed, each with the arbitrary integers 1 and 2 side by side,
//    until one rung has an attempt that passes and fits.
// 3. The shaker, when the acceleration or the force is over: the ZPA lowered
//    as far as the spectrum's room below it allows.
struct FitSearch {
    const FitOptions& options;
    const SpecText& judged;  // the specification as given, which every attempt is judged against
    OutputFolder& folder;
    std::ostream& out;
    int cores = 1;
    std::vector<AttemptRecord> records;
    bool attemptsRanOut = false;  // the spectrum search stopped at --attempts, not for want of a change
};

// Runs the whole plan from `first`. False, with `error` set, when an attempt
// cannot be run or judged at all (the program refused its answers, a file
// could not be written).
bool runFitSearch(FitSearch& search, const AttemptPlan& first, std::string& error);

// A duration as an engineer would type it: four significant digits.
double roundedDuration(double seconds);

// The longest duration the run of `plan` holds within the program's sample
// limit, in seconds.
double longestDurationFor(const AttemptPlan& plan);

// When no attempt fits the shaker: the limits that bind, the best value the
// search reached against each, and the nearest change that would do,
// computed from what it measured.
FitAdvice adviseOnShaker(const FitSearch& search, int chosen);

// The options that could help a fit that failed.
std::vector<std::string> helpfulOptions(const FitSearch& search, int chosen);

// The report's request for the attempt's run, held in memory as its files
// print it, in the folder `dir`: judged as kolvane_report judges that folder.
ReportRequest attemptReportRequest(const FitSearch& search, const AttemptRecord& record, const std::string& dir);
