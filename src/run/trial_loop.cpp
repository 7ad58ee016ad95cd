#include "run/trial_loop.h"

#include <algorithm>
#include <memory>

#include "common/file_errors.h"
#include "results/result_files.h"
#include "results/run_record_steps.h"
#include "run/parallel_trials.h"

namespace {

constexpr int checkpointInterval = 1000;

const char* const unitsLine[3] = {
    "\n           (G)         (in/sec)     (in)       \n",
    "\n           (G)         (m/sec)      (mm)       \n",
    "\n           (m/sec^2)   (m/sec)      (mm)       \n",
};

void writeHeader(UnitSystem units, std::FILE* out) {
    std::fputs("\n           Peak        Peak         Peak         ", out);
    std::fputs("\n Trial     Accel       Vel          Disp      T.Error      I.Error", out);
    std::fputs(unitsLine[units - 1], out);
}

void printClosingList(UnitSystem units, std::FILE* console) {
    const bool si = units == 3;
    std::fputs("\n\n Output files for Optimum Case: \n", console);
    std::fputs(si ? "\n     accel.out - acceleration time history: time(sec)  accel(m/sec^2) \n"
                  : "\n     accel.out - acceleration time history: time(sec)  accel(G) \n",
               console);
    std::fputs(units == 1 ? "\n     velox.out - velocity time history:     time(sec)  vel(in/sec) \n"
                          : "\n     velox.out - velocity time history:     time(sec)  vel(m/sec) \n",
               console);
    std::fputs(units == 1 ? "\n      disp.out - displacement time history: time(sec)  disp(in) \n"
                          : "\n      disp.out - displacement time history: time(sec)  disp(mm) \n",
               console);
    std::fputs(si ? "\n      srs.out  - shock response spectra:  fn(Hz)  pos SRS(m/sec^2)   neg SRS(m/sec^2) "
                  : "\n      srs.out  - shock response spectra:  fn(Hz)  pos SRS(G)   neg SRS(G) ",
               console);
    std::fputs("\n\n wavelet.out  - wavelet table. ", console);
}

// The trial after which the next intermediate output runs, or the last trial.
// Outputs follow every 1000th trial while at least 7 trials remain after it.
int lastTrialOfBatch(int first, int trialCount) {
    const int checkpoint = (first / checkpointInterval + 1) * checkpointInterval - 1;
    if (checkpoint < trialCount - 7) return checkpoint;
    return trialCount - 1;
}

// An intermediate output: the notice and the results step for trials
// 0 .. n-1. False after a write error.
bool runCheckpoint(RunState& state, int n, std::FILE* console) {
    std::fputs("\n\n intermediate output \n", console);
    return writeResults(state, n, console);
}

}  // namespace

bool runTrials(RunState& state, std::FILE* console, int threadCount) {
    RunParameters& p = state.parameters;
    state.bank = computeFilterBank(state.grid, p.dampingRatio, p.timeStep);

    std::FILE* trialsFile = std::fopen("trials.out", "wb");
    if (trialsFile == nullptr) {
        return reportUnwritable("trials.out", console);
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> trialsCloser(trialsFile, std::fclose);

    if (p.sampleCount >= maxRunSamples) {
        std::fputs("\n\n Error: too many samples.\n\n", console);
        return false;
    }
    if (p.trialCount < 1) {
        std::fputs("\n\n Error: number of trials must be at least 1.\n\n", console);
        return false;
    }
    if (!startRunRecord(state, console)) return false;

    writeHeader(p.units, console);
    writeHeader(p.units, trialsFile);
    std::fflush(console);
    if (std::fflush(trialsFile) != 0) {
        return reportUnwritable("trials.out", console);
    }

    // The longest record a trial works on: at the run's sampling, or at the
    // finer one the first intermediate output moves to.
    const int longestRecord = std::max(p.sampleCount, outputSampling(p).sampleCount);
    TrialPool pool(threadCount, state.grid, longestRecord);
    // An intermediate output ranks the trials before the last one of a batch;
    // it is reported before the next batch's first row.
    int checkpointTrials = -1;
    for (int first = 0; first < p.trialCount;) {
        const int last = lastTrialOfBatch(first, p.trialCount);
        const bool afterCheckpoint = checkpointTrials >= 0;
        // With several threads the batch's trials are under way while the
        // checkpoint's results step runs here, at the sampling it will leave.
        const RunSampling sampling = afterCheckpoint ? samplingAfterResults(p, state.grid)
                                                     : RunSampling{p.timeStep, p.sampleCount, state.bank};
        RunningBatch batch;
        startTrialBatch(batch, state, pool, TrialBatch{first, last, afterCheckpoint}, sampling.timeStep,
                        sampling.sampleCount, sampling.bank, console, trialsFile);
        const bool checkpointWritten = !afterCheckpoint || runCheckpoint(state, checkpointTrials, console);
        if (!finishTrialBatch(batch, checkpointWritten)) return false;
        checkpointTrials = last < p.trialCount - 1 ? last : -1;
        first = last + 1;
    }

    if (!writeResults(state, p.trialCount, console)) return false;
    printClosingList(p.units, console);
    return true;
}
