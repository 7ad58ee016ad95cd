#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "run/run_state.h"

// Working stores for the threads that evaluate trials, allocated once per run.
struct TrialPool {
    explicit TrialPool(int threadCount);
    int threadCount;
    std::vector<std::unique_ptr<TrialWorkspace>> workspaces;
};

// Runs trials first .. last: draws every row in trial order from the run's
// random source, evaluates the trials concurrently, and emits each trial's
// diagnostics, console row, trials.out row and summary in trial order as soon
// as it and every earlier trial are done. False after a trials.out write
// failure, which is reported on the console.
bool runTrialBatch(RunState& state, TrialPool& pool, int first, int last, std::FILE* console,
                   std::FILE* trialsFile);
