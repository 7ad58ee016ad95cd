#pragma once

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "run/run_state.h"
#include "run/trial.h"

// Working stores for the threads that evaluate trials, allocated once per run.
// With `pairTrials` every thread keeps two trials going and sweeps their
// spectra together; it then has two workspaces, whose sine caches share the
// thread's budget. Trials are paired only where pairing pays on this grid and
// each of the two caches still keeps all its sines for records of up to
// `longestRecord` samples.
struct TrialPool {
    TrialPool(int threadCount, const FrequencyGrid& grid, int longestRecord);
    int threadCount;
    bool pairTrials;
    // Thread w works in workspaces[w], and when pairing also in
    // workspaces[threadCount + w].
    std::vector<std::unique_ptr<TrialWorkspace>> workspaces;
};

// Trials first .. last, run between two checkpoints. When an intermediate
// output precedes them, `rowsWait`: no row is emitted before
// finishTrialBatch, so the caller runs the checkpoint's results step between
// startTrialBatch and finishTrialBatch and its lines come before the batch's
// first row.
struct TrialBatch {
    int first;
    int last;
    bool rowsWait;
};

// One trial's place in a batch: its strategy, and once done its result and
// diagnostics, kept until its row is emitted.
struct TrialSlot {
    int strategy = 0;
    TrialResult result;
    std::string diagnostics;
    std::atomic<bool> done{false};
};

// A batch between startTrialBatch and finishTrialBatch.
struct RunningBatch {
    RunState* state = nullptr;
    TrialPool* pool = nullptr;
    TrialBatch batch{};
    std::FILE* console = nullptr;
    std::FILE* trialsFile = nullptr;
    // The sampling every trial of the batch is evaluated at.
    RunSampling sampling;
    std::vector<TrialSlot> slots;
    std::atomic<int> nextTrial{0};
    std::atomic<int> nextRow{0};
    std::atomic<bool> emitting{false};
    std::atomic<bool> rowsAllowed{false};
    std::atomic<bool> failed{false};
    const std::atomic<bool>* cancel = nullptr;  // set by the run's caller: take no more trials
    std::vector<std::thread> helpers;
};

// Draws every row of the batch in trial order from the run's random source
// and, with more than one thread, sets the pool's helper threads evaluating
// the trials at `sampling`: the sampling the run will have once any
// checkpoint before the batch is done. A single thread evaluates nothing
// yet. Every startTrialBatch must be followed by finishTrialBatch on the same
// batch.
void startTrialBatch(RunningBatch& running, RunState& state, TrialPool& pool, const TrialBatch& batch,
                     const RunSampling& sampling, std::FILE* console, std::FILE* trialsFile);

// Lets the rows go, evaluates on the calling thread too (a single thread
// evaluates every trial here, one after the other: the reference the
// concurrent run must match) and waits for the helpers.
// Each trial's diagnostics, console row, trials.out row and summary are
// emitted in trial order as soon as it and every earlier trial are done.
// `checkpointWritten` false (the caller's results step failed) stops the
// batch. False after any error, which is reported on the console.
bool finishTrialBatch(RunningBatch& running, bool checkpointWritten);
