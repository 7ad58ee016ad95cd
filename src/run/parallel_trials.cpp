#include "run/parallel_trials.h"

#include <atomic>
#include <string>
#include <thread>

#include "results/output_file.h"
#include "results/result_files.h"
#include "run/trial_loop.h"

namespace {

struct TrialSlot {
    int strategy = 0;
    TrialResult result;
    std::string diagnostics;
    std::atomic<bool> done{false};
};

// The sampling and filter bank the batch's trials run with: those the
// preceding results step, if any, leaves for the rest of the run.
struct BatchSettings {
    RunParameters parameters;
    SrsFilterBank bank;
};

BatchSettings settingsFor(const RunState& state, const TrialBatch& batch) {
    BatchSettings settings{state.parameters, state.bank};
    if (batch.checkpointTrials >= 0) {
        const OutputSampling sampling = outputSampling(state.parameters);
        settings.parameters.timeStep = sampling.timeStep;
        settings.parameters.sampleCount = sampling.sampleCount;
        settings.bank = computeFilterBank(state.grid, state.parameters.dampingRatio, sampling.timeStep);
    }
    return settings;
}

// Console and file rows differ only in the blanks before the strategy number.
bool emitTrial(RunState& state, int t, const TrialSlot& slot, std::FILE* console, std::FILE* trialsFile) {
    const TrialSummary& s = slot.result.summary;
    std::fputs(slot.diagnostics.c_str(), console);
    std::fprintf(console, " %ld %12.3f %12.3f %12.3f %12.3f %12.3f  %ld  %ld\n", static_cast<long>(t), s.peakAccel,
                 s.peakVel, s.peakDisp, s.totalError, s.largestError, static_cast<long>(slot.strategy),
                 static_cast<long>(slot.result.passCount));
    std::fflush(console);
    std::fprintf(trialsFile, " %ld %12.3f %12.3f %12.3f %12.3f %12.3f %ld  %ld\n", static_cast<long>(t), s.peakAccel,
                 s.peakVel, s.peakDisp, s.totalError, s.largestError, static_cast<long>(slot.strategy),
                 static_cast<long>(slot.result.passCount));
    // Flushed row by row, so a run stopped early keeps every finished trial.
    if (std::fflush(trialsFile) != 0 || std::ferror(trialsFile)) {
        return reportUnwritable("trials.out", console);
    }
    state.summary[t] = s;
    return true;
}

// One thread runs the checkpoint first and the trials after it with the
// sampling and bank it left in the run state: the reference the concurrent
// run must match.
bool runOneThread(RunState& state, const TrialBatch& batch, std::vector<TrialSlot>& slots, std::FILE* console,
                  std::FILE* trialsFile) {
    if (batch.checkpointTrials >= 0 && !runCheckpoint(state, batch.checkpointTrials, console)) return false;
    for (int t = batch.first; t <= batch.last; ++t) {
        TrialSlot& slot = slots[static_cast<std::size_t>(t - batch.first)];
        slot.result = evaluateTrial(state.wavelets, t, state.grid, state.bank, state.parameters, state.workspace,
                                    slot.diagnostics);
        if (!emitTrial(state, t, slot, console, trialsFile)) return false;
    }
    return true;
}

}  // namespace

TrialPool::TrialPool(int threads) : threadCount(threads < 1 ? 1 : threads) {
    // The single-threaded run works in the run state's own stores.
    if (threadCount > 1) {
        for (int w = 0; w < threadCount; ++w) workspaces.push_back(std::make_unique<TrialWorkspace>());
    }
}

bool runTrialBatch(RunState& state, TrialPool& pool, const TrialBatch& batch, std::FILE* console,
                   std::FILE* trialsFile) {
    const int first = batch.first;
    const int last = batch.last;
    std::vector<TrialSlot> slots(static_cast<std::size_t>(last - first + 1));
    // A row depends only on the random source, never on earlier trials' results.
    for (int t = first; t <= last; ++t) slots[static_cast<std::size_t>(t - first)].strategy = drawTrial(state, t);
    if (pool.threadCount == 1) return runOneThread(state, batch, slots, console, trialsFile);

    const BatchSettings settings = settingsFor(state, batch);
    std::atomic<int> nextTrial{first};
    std::atomic<int> nextRow{first};
    std::atomic<bool> emitting{false};
    std::atomic<bool> rowsAllowed{batch.checkpointTrials < 0};
    std::atomic<bool> failed{false};

    // Whichever thread finishes a trial emits every row that is now ready.
    // After letting go it looks once more, in case a trial finished while it
    // held the turn and that trial's thread found the turn taken.
    auto emitReadyRows = [&] {
        for (;;) {
            if (!rowsAllowed.load() || failed.load()) return;
            bool expected = false;
            if (!emitting.compare_exchange_strong(expected, true)) return;
            int row = nextRow.load();
            while (row <= last && slots[static_cast<std::size_t>(row - first)].done.load()) {
                TrialSlot& slot = slots[static_cast<std::size_t>(row - first)];
                if (!emitTrial(state, row, slot, console, trialsFile)) {
                    failed.store(true);
                    break;
                }
                std::string().swap(slot.diagnostics);
                nextRow.store(++row);
            }
            emitting.store(false);
            row = nextRow.load();
            if (failed.load() || row > last || !slots[static_cast<std::size_t>(row - first)].done.load()) return;
        }
    };
    auto work = [&](TrialWorkspace& workspace) {
        for (;;) {
            const int t = nextTrial.fetch_add(1);
            if (t > last || failed.load()) return;
            TrialSlot& slot = slots[static_cast<std::size_t>(t - first)];
            slot.result = evaluateTrial(state.wavelets, t, state.grid, settings.bank, settings.parameters, workspace,
                                        slot.diagnostics);
            slot.done.store(true);
            emitReadyRows();
        }
    };

    std::vector<std::thread> helpers;
    for (int w = 1; w < pool.threadCount; ++w) helpers.emplace_back(work, std::ref(*pool.workspaces[w]));
    // The checkpoint's results step reads only earlier trials' rows and the run
    // state, and the sampling it leaves is already in the batch's settings, so
    // it runs here while the batch's trials are evaluated; their rows wait.
    if (batch.checkpointTrials >= 0) {
        if (!runCheckpoint(state, batch.checkpointTrials, console)) failed.store(true);
        rowsAllowed.store(true);
        emitReadyRows();
    }
    work(*pool.workspaces[0]);
    for (std::thread& helper : helpers) helper.join();
    emitReadyRows();
    return !failed.load() && nextRow.load() == last + 1;
}
