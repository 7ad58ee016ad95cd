#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "run/run_state.h"

// Working stores for the threads that evaluate trials, allocated once per run.
// With `pairTrials` every thread keeps two trials going and sweeps their
// spectra together; it then has two workspaces, whose sine caches share the
// thread's budget.
struct TrialPool {
    TrialPool(int threadCount, bool pairTrials);
    int threadCount;
    bool pairTrials;
    // Thread w works in workspaces[w], and when pairing also in
    // workspaces[threadCount + w].
    std::vector<std::unique_ptr<TrialWorkspace>> workspaces;
};

// Trials first .. last, run between two checkpoints. When an intermediate
// output precedes them, checkpointTrials is the number of trials it ranks
// (else -1); its results step comes before the batch's first row.
struct TrialBatch {
    int first;
    int last;
    int checkpointTrials;
};

// Draws every row of the batch in trial order from the run's random source,
// evaluates the trials concurrently at the sampling the checkpoint leaves
// (the checkpoint itself runs meanwhile on the calling thread), and emits each
// trial's diagnostics, console row, trials.out row and summary in trial order
// as soon as it and every earlier trial are done. False after an error, which
// is reported on the console.
bool runTrialBatch(RunState& state, TrialPool& pool, const TrialBatch& batch, std::FILE* console,
                   std::FILE* trialsFile);
