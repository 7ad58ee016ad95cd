#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fit/attempt_choice.h"
#include "report/acceptance.h"
#include "results/run_results.h"
#include "run_folder/shaker.h"

// What one attempt ran on and what its checks found.
struct AttemptRecord {
    int number = 0;  // from 1, as its folder attempts/N
    AttemptPlan plan;
    std::shared_ptr<const RunResults> results;  // what its run wrote, as numbers
    AcceptanceOutcome outcome;
    ShakerPeaks peaks;     // of its accel.out, in SI
    ShakerVerdict shaker;  // against the shaker given, or feasible with no limits
};

// Whether the attempt is what the fit looks for: its spectrum passes the
// check and its peaks fit the shaker.
bool attemptFits(const AttemptRecord& record);

// The attempt the output folder keeps: among those that fit, the one with
// the largest worst margin; else among those that pass the spectrum check,
// the one nearest to fitting the shaker (the smallest share of its most used
// limit); else the one with the largest worst margin. The earliest among
// equals; -1 for none.
int chosenAttemptIndex(const std::vector<AttemptRecord>& records);

// "on a grid point", "between grid points", "above the last grid point"
const char* pointPlaceWords(PointPlace place);

// One console line: attempt, ZPA, spacing, duration and arbitrary integer,
// worst margin and where, the share within the inner band when there is one,
// each shaker limit's share when there are any, and the verdict.
std::string progressLine(const AttemptRecord& record);

// What the fit found when no attempt fits, for the console and fit.json.
struct FitAdvice {
    std::vector<std::string> lines;  // one sentence each
    std::string json;                // a JSON array of objects, one per binding limit
};

// The closing lines: which attempt was kept, whether it passes (and fits the
// shaker), where its report is, and on a failure the advice and the options
// that could help.
std::string verdictText(const std::vector<AttemptRecord>& records, int chosen, const std::string& outputDir,
                        const std::string& reportPage, const FitAdvice& advice, const std::vector<std::string>& hints);

// fit.json: the specification, the shaker's values, every attempt's answers
// and findings, the attempt kept, the verdict, the advice and every file the
// fit wrote into the output folder.
std::string fitJson(const std::string& specPath, const std::optional<ShakerLimits>& shaker,
                    const std::vector<AttemptRecord>& records, int chosen, const FitAdvice& advice,
                    const std::vector<std::string>& writtenFiles);
