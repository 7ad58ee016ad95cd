#include "run/parallel_trials.h"

#include <atomic>
#include <string>
#include <thread>

#include "common/file_errors.h"
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
        const RunSampling next = samplingAfterResults(state.parameters, state.grid);
        settings.parameters.timeStep = next.timeStep;
        settings.parameters.sampleCount = next.sampleCount;
        settings.bank = next.bank;
    }
    return settings;
}

// Console and file rows differ only in the blanks before the strategy number,
// so the figures are formatted once for both.
bool emitTrial(RunState& state, int t, const TrialSlot& slot, std::FILE* console, std::FILE* trialsFile) {
    const TrialSummary& s = slot.result.summary;
    // Room for five figures of 309 digits each, the widest "%12.3f" of a double.
    char figures[2048];
    std::snprintf(figures, sizeof figures, " %ld %12.3f %12.3f %12.3f %12.3f %12.3f ", static_cast<long>(t),
                  s.peakAccel, s.peakVel, s.peakDisp, s.totalError, s.largestError);
    const long strategy = slot.strategy;
    const long passCount = slot.result.passCount;
    std::fputs(slot.diagnostics.c_str(), console);
    std::fprintf(console, "%s %ld  %ld\n", figures, strategy, passCount);
    std::fflush(console);
    std::fprintf(trialsFile, "%s%ld  %ld\n", figures, strategy, passCount);
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

TrialPool::TrialPool(int threads, bool pair) : threadCount(threads < 1 ? 1 : threads), pairTrials(pair) {
    // The single-threaded run works in the run state's own stores.
    if (threadCount == 1) {
        pairTrials = false;
        return;
    }
    const int perThread = pairTrials ? 2 : 1;
    for (int w = 0; w < perThread * threadCount; ++w) {
        workspaces.push_back(std::make_unique<TrialWorkspace>(sineCacheBudgetBytes / perThread));
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
    const TrialContext context{state.wavelets, state.grid, settings.bank, settings.parameters};
    const RunParameters& parameters = settings.parameters;
    // Takes the next trial of the batch into `trial` and does its first
    // synthesis; false when none is left or the run has failed.
    auto takeTrial = [&](TrialInProgress& trial) {
        const int t = nextTrial.fetch_add(1);
        if (t > last || failed.load()) return false;
        trial.t = t;
        trial.diagnostics = &slots[static_cast<std::size_t>(t - first)].diagnostics;
        startTrial(trial, context);
        return true;
    };
    auto completeTrial = [&](const TrialInProgress& trial) {
        TrialSlot& slot = slots[static_cast<std::size_t>(trial.t - first)];
        slot.result = trial.result;
        slot.done.store(true);
        emitReadyRows();
    };
    // Thread w evaluates one trial at a time, or when pairing two, sweeping
    // their spectra together; whenever one finishes the next takes its
    // place, and the last one of the batch goes on alone.
    auto work = [&](int w) {
        TrialInProgress trial[2];
        bool busy[2] = {false, false};
        const int trialsAtOnce = pool.pairTrials ? 2 : 1;
        for (int s = 0; s < trialsAtOnce; ++s) {
            trial[s].workspace = pool.workspaces[static_cast<std::size_t>(s * pool.threadCount + w)].get();
            busy[s] = takeTrial(trial[s]);
        }
        while (busy[0] || busy[1]) {
            if (busy[0] && busy[1]) {
                const double* const histories[2] = {trial[0].workspace->history.sample,
                                                    trial[1].workspace->history.sample};
                ResponseSpectrum* const spectra[2] = {&trial[0].workspace->spectrum, &trial[1].workspace->spectrum};
                computeResponseSpectrumPair(histories, parameters.sampleCount, state.grid, settings.bank,
                                            parameters.timeStep, spectra);
            } else {
                TrialWorkspace& alone = *trial[busy[0] ? 0 : 1].workspace;
                computeResponseSpectrum(alone.history.sample, parameters.sampleCount, state.grid, settings.bank,
                                        parameters.timeStep, alone.spectrum);
            }
            for (int s = 0; s < 2; ++s) {
                if (!busy[s]) continue;
                finishPass(trial[s], context);
                if (!trial[s].finished) continue;
                completeTrial(trial[s]);
                busy[s] = takeTrial(trial[s]);
            }
        }
    };

    std::vector<std::thread> helpers;
    for (int w = 1; w < pool.threadCount; ++w) helpers.emplace_back(work, w);
    // The checkpoint's results step reads only earlier trials' rows and the run
    // state, and the sampling it leaves is already in the batch's settings, so
    // it runs here while the batch's trials are evaluated; their rows wait.
    if (batch.checkpointTrials >= 0) {
        if (!runCheckpoint(state, batch.checkpointTrials, console)) failed.store(true);
        rowsAllowed.store(true);
        emitReadyRows();
    }
    work(0);
    for (std::thread& helper : helpers) helper.join();
    emitReadyRows();
    return !failed.load() && nextRow.load() == last + 1;
}
