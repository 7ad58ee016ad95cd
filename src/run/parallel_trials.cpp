#include "run/parallel_trials.h"

#include <functional>

#include "common/file_errors.h"
#include "results/file_layout.h"
#include "srs/response_spectrum.h"

namespace {

TrialSlot& slotOf(RunningBatch& running, int t) {
    return running.slots[static_cast<std::size_t>(t - running.batch.first)];
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
        return reportUnwritable(trialsFileName, console);
    }
    state.summary[t] = s;
    return true;
}

TrialContext contextOf(RunningBatch& running) {
    return TrialContext{running.state->wavelets, running.state->grid, running.state->answers, running.sampling};
}

// One thread runs the trials one after the other, in the run state's own
// workspace.
bool runOneThread(RunningBatch& running) {
    RunState& state = *running.state;
    const TrialContext context = contextOf(running);
    for (int t = running.batch.first; t <= running.batch.last; ++t) {
        if (running.cancel && running.cancel->load()) return false;
        TrialSlot& slot = slotOf(running, t);
        slot.result = evaluateTrial(context, t, state.workspace, slot.diagnostics);
        if (!emitTrial(state, t, slot, running.console, running.trialsFile)) return false;
    }
    return true;
}

// Whichever thread finishes a trial emits every row that is now ready.
// After letting go it looks once more, in case a trial finished while it
// held the turn and that trial's thread found the turn taken.
void emitReadyRows(RunningBatch& running) {
    const int last = running.batch.last;
    for (;;) {
        if (!running.rowsAllowed.load() || running.failed.load()) return;
        bool expected = false;
        if (!running.emitting.compare_exchange_strong(expected, true)) return;
        int row = running.nextRow.load();
        while (row <= last && slotOf(running, row).done.load()) {
            TrialSlot& slot = slotOf(running, row);
            if (!emitTrial(*running.state, row, slot, running.console, running.trialsFile)) {
                running.failed.store(true);
                break;
            }
            std::string().swap(slot.diagnostics);
            running.nextRow.store(++row);
        }
        running.emitting.store(false);
        row = running.nextRow.load();
        if (running.failed.load() || row > last || !slotOf(running, row).done.load()) return;
    }
}

// Takes the next trial of the batch into `trial` and does its first
// synthesis; false when none is left or the run has failed.
bool takeTrial(RunningBatch& running, TrialInProgress& trial) {
    const int t = running.nextTrial.fetch_add(1);
    if (t > running.batch.last || running.failed.load()) return false;
    if (running.cancel && running.cancel->load()) {
        running.failed.store(true);
        return false;
    }
    trial.t = t;
    trial.diagnostics = &slotOf(running, t).diagnostics;
    startTrial(trial, contextOf(running));
    return true;
}

void completeTrial(RunningBatch& running, const TrialInProgress& trial) {
    TrialSlot& slot = slotOf(running, trial.t);
    slot.result = trial.result;
    slot.done.store(true);
    emitReadyRows(running);
}

// Thread w evaluates one trial at a time, or when pairing two, sweeping
// their spectra together; whenever one finishes the next takes its place,
// and the last one of the batch goes on alone.
void work(RunningBatch& running, int w) {
    const TrialPool& pool = *running.pool;
    const TrialContext context = contextOf(running);
    const RunSampling& sampling = running.sampling;
    const FrequencyGrid& grid = running.state->grid;
    TrialInProgress trial[2];
    bool busy[2] = {false, false};
    const int trialsAtOnce = pool.pairTrials ? 2 : 1;
    for (int s = 0; s < trialsAtOnce; ++s) {
        trial[s].workspace = pool.workspaces[static_cast<std::size_t>(s * pool.threadCount + w)].get();
        busy[s] = takeTrial(running, trial[s]);
    }
    while (busy[0] || busy[1]) {
        if (busy[0] && busy[1]) {
            const double* const histories[2] = {trial[0].workspace->history.sample, trial[1].workspace->history.sample};
            ResponseSpectrum* const spectra[2] = {&trial[0].workspace->spectrum, &trial[1].workspace->spectrum};
            computeResponseSpectrumPair(histories, sampling.sampleCount, grid, sampling.bank, sampling.timeStep,
                                        spectra);
        } else {
            TrialWorkspace& alone = *trial[busy[0] ? 0 : 1].workspace;
            computeResponseSpectrum(alone.history.sample, sampling.sampleCount, grid, sampling.bank,
                                    sampling.timeStep, alone.spectrum);
        }
        for (int s = 0; s < 2; ++s) {
            if (!busy[s]) continue;
            finishPass(trial[s], context);
            if (!trial[s].finished) continue;
            completeTrial(running, trial[s]);
            busy[s] = takeTrial(running, trial[s]);
        }
    }
}

}  // namespace

TrialPool::TrialPool(int threads, const FrequencyGrid& grid, int longestRecord)
    : threadCount(threads < 1 ? 1 : threads), pairTrials(false) {
    // The single-threaded run works in the run state's own stores.
    if (threadCount == 1) return;
    pairTrials = spectrumPairPays(grid) && sineCacheHoldsEveryWindow(sineCacheBudgetBytes / 2, grid.count, longestRecord);
    const int perThread = pairTrials ? 2 : 1;
    for (int w = 0; w < perThread * threadCount; ++w) {
        workspaces.push_back(std::make_unique<TrialWorkspace>(sineCacheBudgetBytes / perThread));
    }
}

void startTrialBatch(RunningBatch& running, RunState& state, TrialPool& pool, const TrialBatch& batch,
                     const RunSampling& sampling, std::FILE* console, std::FILE* trialsFile) {
    running.state = &state;
    running.pool = &pool;
    running.batch = batch;
    running.console = console;
    running.trialsFile = trialsFile;
    running.sampling = sampling;
    running.slots = std::vector<TrialSlot>(static_cast<std::size_t>(batch.last - batch.first + 1));
    // A row depends only on the random source, never on earlier trials' results.
    for (int t = batch.first; t <= batch.last; ++t) slotOf(running, t).strategy = drawTrial(state, t);
    if (pool.threadCount == 1) return;

    running.nextTrial.store(batch.first);
    running.nextRow.store(batch.first);
    running.rowsAllowed.store(!batch.rowsWait);
    for (int w = 1; w < pool.threadCount; ++w) running.helpers.emplace_back(work, std::ref(running), w);
}

bool finishTrialBatch(RunningBatch& running, bool checkpointWritten) {
    if (running.pool->threadCount == 1) return checkpointWritten && runOneThread(running);

    if (!checkpointWritten) running.failed.store(true);
    if (running.batch.rowsWait) {
        running.rowsAllowed.store(true);
        emitReadyRows(running);
    }
    work(running, 0);
    for (std::thread& helper : running.helpers) helper.join();
    emitReadyRows(running);
    return !running.failed.load() && running.nextRow.load() == running.batch.last + 1;
}
