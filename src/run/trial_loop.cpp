#include "run/trial_loop.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "common/file_errors.h"
#include "results/file_layout.h"
#include "results/output_file.h"
#include "results/result_files.h"
#include "results/run_record_steps.h"
#include "run/parallel_trials.h"

namespace {

constexpr int checkpointInterval = 1000;

void writeHeader(UnitSystem units, std::FILE* out) {
    const UnitNames names = unitNamesOf(units);
    std::fputs("\n           Peak        Peak         Peak         ", out);
    std::fputs("\n Trial     Accel       Vel          Disp      T.Error      I.Error", out);
    const std::string acceleration = std::string("(") + names.acceleration + ")";
    const std::string velocity = std::string("(") + names.velocity + ")";
    const std::string displacement = std::string("(") + names.displacement + ")";
    std::fprintf(out, "\n           %-12s%-13s%-11s\n", acceleration.c_str(), velocity.c_str(),
                 displacement.c_str());
}

void printClosingList(UnitSystem units, std::FILE* console) {
    const UnitNames names = unitNamesOf(units);
    std::fputs("\n\n Output files for Optimum Case: \n", console);
    std::fprintf(console, "\n     accel.out - acceleration time history: time(sec)  accel(%s) \n", names.acceleration);
    std::fprintf(console, "\n     velox.out - velocity time history:     time(sec)  vel(%s) \n", names.velocity);
    std::fprintf(console, "\n      disp.out - displacement time history: time(sec)  disp(%s) \n", names.displacement);
    // The spectrum's unit is "G" for both unit systems in G.
    std::fprintf(console, "\n      srs.out  - shock response spectra:  fn(Hz)  pos SRS(%s)   neg SRS(%s) ",
                 names.acceleration, names.acceleration);
    std::fputs("\n\n wavelet.out  - wavelet table. ", console);
}

// The trial after which the next intermediate output runs, or the last trial.
// Outputs follow every 1000th trial while at least 7 trials remain after it.
int lastTrialOfBatch(int first, int trialCount) {
    const int checkpoint = (first / checkpointInterval + 1) * checkpointInterval - 1;
    if (checkpoint < trialCount - 7) return checkpoint;
    return trialCount - 1;
}

// A history worth its files: every sample finite, and one at least that
// prints as other than zero.
bool usableHistory(const std::vector<double>& acceleration) {
    bool printsNonZero = false;
    for (const double a : acceleration) {
        if (!std::isfinite(a)) return false;
        printsNonZero = printsNonZero || std::fabs(a) >= 0.00005;
    }
    return printsNonZero;
}

// The results step's context for the run.
ResultsContext resultsContext(RunState& state, const TrialRunPlace& place) {
    return ResultsContext{state.answers, state.grid, state.summary, state.wavelets, place.outputDir, place.console};
}

// Runs a results step for trials 0 .. n-1 and takes over the sampling it
// leaves: the one place where the run's sampling changes.
bool runResultsStep(RunState& state, const TrialRunPlace& place, int n) {
    const std::optional<RunSampling> next = writeResults(resultsContext(state, place), state.results, state.sampling, n);
    if (!next) return false;
    state.sampling = *next;
    return true;
}

}  // namespace

RunOutcome runTrials(RunState& state, const TrialRunPlace& place) {
    const RunAnswers& a = state.answers;
    std::FILE* console = place.console;
    state.sampling.bank = computeFilterBank(state.grid, a.dampingRatio, state.sampling.timeStep);

    OutputFile trials;
    if (!openStreamedOutputFile(trials, place.outputDir, trialsFileName)) {
        reportUnwritable(trialsFileName, console);
        return RunOutcome::cannotWrite;
    }
    std::FILE* const trialsFile = trials.stream;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> trialsCloser(trialsFile, std::fclose);

    if (state.sampling.sampleCount >= maxRunSamples) {
        std::fputs("\n\n Error: too many samples.\n\n", console);
        return RunOutcome::tooManySamples;
    }
    if (a.trialCount < 1) {
        std::fputs("\n\n Error: number of trials must be at least 1.\n\n", console);
        return RunOutcome::noTrials;
    }
    if (!startRunRecord(state.results.record, a, state.sampling, state.grid, place.specPath, place.outputDir,
                        console)) {
        return RunOutcome::cannotWrite;
    }

    writeHeader(a.units, console);
    writeHeader(a.units, trialsFile);
    std::fflush(console);
    if (std::fflush(trialsFile) != 0) {
        reportUnwritable(trialsFileName, console);
        return RunOutcome::cannotWrite;
    }

    // The longest record a trial works on: at the run's sampling, or at the
    // finer one the first intermediate output moves to.
    const int longestRecord =
        std::max(state.sampling.sampleCount, samplingAfterResults(a, state.sampling, state.grid).sampleCount);
    TrialPool pool(place.threadCount, state.grid, longestRecord);
    // An intermediate output ranks the trials before the last one of a batch;
    // it is reported before the next batch's first row.
    int checkpointTrials = -1;
    for (int first = 0; first < a.trialCount;) {
        const int last = lastTrialOfBatch(first, a.trialCount);
        const bool afterCheckpoint = checkpointTrials >= 0;
        // With several threads the batch's trials are under way while the
        // checkpoint's results step runs here, at the sampling it will leave.
        const RunSampling batchSampling =
            afterCheckpoint ? samplingAfterResults(a, state.sampling, state.grid) : state.sampling;
        if (place.cancel && place.cancel->load()) return RunOutcome::cancelled;
        RunningBatch batch;
        batch.cancel = place.cancel;
        startTrialBatch(batch, state, pool, TrialBatch{first, last, afterCheckpoint}, batchSampling, console,
                        trialsFile);
        bool checkpointWritten = true;
        if (afterCheckpoint) {
            std::fputs("\n\n intermediate output \n", console);
            checkpointWritten = runResultsStep(state, place, checkpointTrials);
        }
        if (!finishTrialBatch(batch, checkpointWritten)) {
            return place.cancel && place.cancel->load() ? RunOutcome::cancelled : RunOutcome::cannotWrite;
        }
        checkpointTrials = last < a.trialCount - 1 ? last : -1;
        first = last + 1;
    }

    if (!runResultsStep(state, place, a.trialCount)) return RunOutcome::cannotWrite;
    if (!usableHistory(state.results.files.acceleration)) {
        std::fputs("\n\n Error: the optimum's history is not finite, or is all zero.\n\n", console);
        return RunOutcome::degenerateHistory;
    }
    // The last results step has left the run at its output sampling.
    if (place.results != nullptr) {
        captureResults(resultsContext(state, place), state.results, a.trialCount, *place.results);
    }
    printClosingList(a.units, console);
    return RunOutcome::completed;
}
