#pragma once

#include <atomic>
#include <cstdio>
#include <string>

#include "run/run_outcome.h"
#include "results/run_results.h"
#include "run/run_state.h"

// Where a trial run writes and how many threads it takes.
struct TrialRunPlace {
    const std::string& specPath;   // the specification file, for run.out's checksum
    const std::string& outputDir;  // every output file goes here
    std::FILE* console;
    int threadCount;               // trials evaluated at once; the output is the same for any count
    RunResults* results = nullptr;  // when given: what the last results step wrote, as numbers
    const std::atomic<bool>* cancel = nullptr;  // when given and set: stop at the next trial
};

// The trial run on a state whose answers, specification, grid and own
// sampling are set: filter bank, trials.out, the checks, every trial with
// its rows, the intermediate and final results steps and the closing list.
RunOutcome runTrials(RunState& state, const TrialRunPlace& place);
