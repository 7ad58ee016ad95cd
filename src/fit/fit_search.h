#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "fit/fit_folder.h"
#include "fit/fit_options.h"
#include "fit/fit_record.h"
#include "report/write_report.h"
#include "spec/spec_text.h"

// The fit's search: rungs of attempts side by side (arbitrary integers 1 and
// 2, then 3 and 4, ...), each attempt a run of the program and the
// refinement of its history, every rung decided only by what the earlier
// ones measured, so that a fit repeats exactly on any machine. At most
// --attempts attempts, never one already made, never a duration beyond the
// program's sample limit; an attempt the program refuses is a failed
// attempt, not the end of the search.
//
// After each rung, the next:
// 1. the spectrum: when no attempt of the rung passes the check, what the
//    best one's check asks for (the ZPA that puts it on the aim, one step
//    finer spacing, the specification extended), or, with nothing left to
//    change, the next integers;
// 2. the shaker's stroke and velocity, when the best passing history needs
//    more than it has: a longer duration, predicted from the shares measured
//    at each duration, up to --max-duration;
// 3. the peak: a longer duration, up to --max-duration, while doubling it
//    lowers the best peak, then more integers at the best duration. Among
//    the histories that meet the aim and fit, the lowest peak is kept.
struct FitSearch {
    const FitOptions& options;
    const SpecText& judged;  // the specification as given, which every attempt is judged against
    OutputFolder& folder;
    std::ostream& out;
    int cores = 1;
    std::vector<AttemptRecord> records;
    // The search stopped at --attempts with a lever it had reason to try next.
    bool budgetSpent = false;
    // The longest duration the search was allowed, and whether it got there.
    double longestAllowed = 0.0;
    bool reachedLongest = false;
};

// Runs the whole search from `first`. False, with `error` set, when an
// attempt cannot be run or judged at all (a file could not be written).
bool runFitSearch(FitSearch& search, const AttemptPlan& first, std::string& error);

// A duration as an engineer would type it: four significant digits.
double roundedDuration(double seconds);

// The longest duration the run of `plan` holds within the program's sample
// limit, in seconds.
double longestDurationFor(const AttemptPlan& plan);

// The longest duration the search may try: --max-duration, or eight periods
// of the first frequency, within the program's limit.
double longestSearchDuration(const FitOptions& options, const AttemptPlan& plan);

// When no attempt fits the shaker: the limits that bind, the best value the
// search reached against each, and every change that would make it fit,
// computed from what it measured.
FitAdvice adviseOnShaker(const FitSearch& search, int chosen);

// What could help a fit that failed, most likely first: only what the
// search has reason to believe helps, and nothing the program would refuse.
std::vector<std::string> helpfulOptions(const FitSearch& search, int chosen);

// The report's request for the attempt's kept history, held in memory as
// its files print it, in the folder `dir`: judged as kolvane_report judges
// that folder.
ReportRequest attemptReportRequest(const FitSearch& search, const AttemptRecord& record, const std::string& dir);
