#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fit/attempt_choice.h"
#include "refine/refined_run.h"
#include "report/acceptance.h"
#include "results/run_results.h"
#include "run_folder/shaker.h"

// What one attempt ran on and what its checks found. An attempt is one run
// of the program and, unless the fit keeps plain runs, the refinement of its
// history after it.
struct AttemptRecord {
    int number = 0;  // from 1, as its folder attempts/N
    AttemptPlan plan;
    // The program refused the answers (its words), so the attempt has no history.
    std::optional<std::string> refusal;
    std::shared_ptr<const RunResults> results;  // what its run wrote, as numbers
    std::shared_ptr<const RefinedRun> refined;  // its history refined, when it was
    int refinementPasses = 0;
    AcceptanceOutcome outcome;  // of the kept history: the refined one, or the program's
    ShakerPeaks peaks;          // of that history, in SI
    ShakerVerdict shaker;       // against the shaker given, or feasible with no limits
    bool meetsAim = false;      // every point within +-1 dB of the aim, the median within +-0.3 dB
};

// The history the attempt holds: its refined one, or the program's.
const RunResults& keptResults(const AttemptRecord& record);

// Whether the attempt is what the fit looks for: its spectrum passes the
// check and its peaks fit the shaker.
bool attemptFits(const AttemptRecord& record);

// The attempt the output folder keeps. Among those that pass and fit: one
// that meets the aim before one that does not; among those that do, the
// lowest peak acceleration, then the smallest share of the shaker's stroke
// and velocity; among those that do not, the smallest largest deviation.
// Else, among those that pass the spectrum check, the one nearest to fitting
// the shaker (the smallest share of its most used limit); else the one with
// the largest worst margin. The earliest among equals; -1 for none.
int chosenAttemptIndex(const std::vector<AttemptRecord>& records);

// How much of the shaker's stroke and velocity a history needs: the larger
// share of the two usable limits; 0 when the shaker sets neither.
double travelShare(const AttemptRecord& record);

// "on a grid point", "between grid points", "above the last grid point"
const char* pointPlaceWords(PointPlace place);

// One console line: attempt, spacing, duration and arbitrary integer, how
// the history was refined, its deviation from the specification (least,
// largest, median, share within +-1 dB), its peaks, each shaker limit's
// share, and the verdict; or the program's refusal.
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
std::string fitJson(const SpecText& spec, const std::optional<ShakerLimits>& shaker,
                    const std::vector<AttemptRecord>& records, int chosen, const FitAdvice& advice,
                    const std::vector<std::string>& writtenFiles);
