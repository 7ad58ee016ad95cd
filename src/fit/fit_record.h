#pragma once

#include <string>
#include <vector>

#include "fit/attempt_choice.h"
#include "report/acceptance.h"

// What one attempt ran on and what its check found.
struct AttemptRecord {
    int number = 0;  // from 1, as its folder attempts/N
    AttemptPlan plan;
    AcceptanceOutcome outcome;
};

// The attempt the output folder keeps: the first that passes, otherwise the
// one with the largest worst margin (the earliest among equals). -1 for none.
int chosenAttemptIndex(const std::vector<AttemptRecord>& records);

// "on a grid point", "between grid points", "above the last grid point"
const char* pointPlaceWords(PointPlace place);

// One console line: attempt, ZPA, spacing, worst margin and where, the share
// within the inner band when there is one, PASS or FAIL.
std::string progressLine(const AttemptRecord& record);

// The closing line: which attempt was kept and whether it passes.
std::string verdictLine(const std::vector<AttemptRecord>& records, int chosen, const std::string& outputDir);

// fit.json: the specification, every attempt's answers and findings, the
// attempt kept and the verdict.
std::string fitJson(const std::string& specPath, const std::vector<AttemptRecord>& records, int chosen);
