#include "run/trial_loop.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/file_errors.h"
#include "results/result_files.h"
#include "run/parallel_trials.h"
#include "srs/response_spectrum.h"
#include "wavelet/strategies.h"
#include "wavelet/sine_cache.h"
#include "wavelet/synthesis.h"
#include "wavelet/trial_synthesis.h"

namespace {

constexpr int maxPasses = 44;
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

int chooseStrategy(int phase, double d) {
    if (phase == 1) return d <= 0.5 ? 1 : 2;
    if (phase == 2) return 3;
    if (d <= 0.05) return 1;
    if (d <= 0.1) return 2;
    if (d <= 0.9) return 3;
    return 4;
}

// The trial after which the next intermediate output runs, or the last trial.
// Outputs follow every 1000th trial while at least 7 trials remain after it.
int lastTrialOfBatch(int first, int trialCount) {
    const int checkpoint = (first / checkpointInterval + 1) * checkpointInterval - 1;
    if (checkpoint < trialCount - 7) return checkpoint;
    return trialCount - 1;
}

}  // namespace

int drawTrial(RunState& state, int t) {
    const RunParameters& p = state.parameters;
    skipDraws(state.random, static_cast<long long>(p.skipCount) - 1);
    const double d = nextUniform(state.random);
    const int strategy = chooseStrategy(t % 3 + 1, d);
    switch (strategy) {
        case 1:
            drawIndependentWavelets(state.random, state.wavelets, t, state.grid, p.duration);
            break;
        case 2:
            drawCommonCountWavelets(state.random, state.wavelets, t, state.grid, p.duration);
            break;
        case 3:
            drawChainedRandomWavelets(state.random, state.wavelets, t, state.grid, p.duration);
            break;
        default:
            drawChainedSpecWavelets(state.random, state.wavelets, t, state.grid, p.duration);
            break;
    }
    return strategy;
}

namespace {

void synthesize(TrialInProgress& trial, const TrialContext& context) {
    const RunParameters& p = context.parameters;
    TrialWorkspace& workspace = *trial.workspace;
    synthesizeTrialPass(workspace.sines, context.wavelets, trial.t, context.grid, p.timeStep, p.sampleCount, p.zpa,
                        workspace.history);
}

void finishTrial(TrialInProgress& trial, const TrialContext& context) {
    const RunParameters& p = context.parameters;
    TrialWorkspace& workspace = *trial.workspace;
    const PeakMeasures peaks =
        measureMotion(workspace.history.sample, p.sampleCount, p.timeStep, p.units, workspace.velocity);
    TrialSummary& summary = trial.result.summary;
    summary.peakAccel = std::fabs(peaks.peakAccel);
    summary.peakVel = std::fabs(peaks.peakVel);
    summary.peakDisp = std::fabs(peaks.peakDisp);
    summary.totalError = std::fabs(trial.error.totalError);
    summary.largestError = std::fabs(trial.error.largestError);
    trial.finished = true;
}

}  // namespace

void startTrial(TrialInProgress& trial, const TrialContext& context) {
    trial.pass = 0;
    trial.previousTotal = 0.0;
    trial.error = SpectrumError{};
    trial.result = TrialResult{};
    trial.result.passCount = maxPasses;
    trial.finished = false;
    const RunParameters& p = context.parameters;
    startTrialSynthesis(trial.workspace->sines, context.wavelets, trial.t, context.grid, p.timeStep, p.sampleCount);
    synthesize(trial, context);
}

// The stop rule: after the seventh pass, the first pass whose total error
// grew ends the trial.
void finishPass(TrialInProgress& trial, const TrialContext& context) {
    correctAmplitudes(context.wavelets, trial.t, context.grid, trial.workspace->spectrum);
    synthesize(trial, context);
    trial.error = computeSpectrumError(context.grid, trial.workspace->spectrum, *trial.diagnostics);
    if (trial.pass > 6 && trial.error.totalError > trial.previousTotal) {
        trial.result.passCount = trial.pass;
        finishTrial(trial, context);
        return;
    }
    trial.previousTotal = trial.error.totalError;
    if (++trial.pass == maxPasses) finishTrial(trial, context);
}

TrialResult evaluateTrial(WaveletTable& wavelets, int t, const FrequencyGrid& grid, const SrsFilterBank& bank,
                          const RunParameters& parameters, TrialWorkspace& workspace, std::string& diagnostics) {
    const TrialContext context{wavelets, grid, bank, parameters};
    TrialInProgress trial;
    trial.t = t;
    trial.workspace = &workspace;
    trial.diagnostics = &diagnostics;
    startTrial(trial, context);
    while (!trial.finished) {
        computeResponseSpectrum(workspace.history.sample, parameters.sampleCount, grid, bank, parameters.timeStep,
                                workspace.spectrum);
        finishPass(trial, context);
    }
    return trial.result;
}

bool runCheckpoint(RunState& state, int n, std::FILE* console) {
    std::fputs("\n\n intermediate output \n", console);
    return writeResults(state, n, console);
}

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

    writeHeader(p.units, console);
    writeHeader(p.units, trialsFile);
    std::fflush(console);
    if (std::fflush(trialsFile) != 0) {
        return reportUnwritable("trials.out", console);
    }

    // Two trials per thread share its sine budget, so they are paired only
    // where each still keeps all its sines, at the run's sampling and at the
    // finer one the first intermediate output moves to.
    const int longestRecord = std::max(p.sampleCount, outputSampling(p).sampleCount);
    const bool pairTrials = spectrumPairPays(state.grid) &&
                            sineCacheHoldsEveryWindow(sineCacheBudgetBytes / 2, state.grid.count, longestRecord);
    TrialPool pool(threadCount, pairTrials);
    int checkpointTrials = -1;
    for (int first = 0; first < p.trialCount;) {
        const int last = lastTrialOfBatch(first, p.trialCount);
        if (!runTrialBatch(state, pool, TrialBatch{first, last, checkpointTrials}, console, trialsFile)) return false;
        // An intermediate output ranks the trials before the last one; it is
        // reported before the next batch's first row.
        checkpointTrials = last < p.trialCount - 1 ? last : -1;
        first = last + 1;
    }

    if (!writeResults(state, p.trialCount, console)) return false;
    printClosingList(p.units, console);
    return true;
}
