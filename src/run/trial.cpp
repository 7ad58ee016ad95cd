#include "run/trial.h"

#include <cmath>

#include "srs/response_spectrum.h"
#include "wavelet/strategies.h"
#include "wavelet/synthesis.h"
#include "wavelet/trial_synthesis.h"

namespace {

constexpr int maxPasses = 44;

int chooseStrategy(int phase, double d) {
    if (phase == 1) return d <= 0.5 ? 1 : 2;
    if (phase == 2) return 3;
    if (d <= 0.05) return 1;
    if (d <= 0.1) return 2;
    if (d <= 0.9) return 3;
    return 4;
}

void synthesize(TrialInProgress& trial, const TrialContext& context) {
    const RunSampling& s = context.sampling;
    TrialWorkspace& workspace = *trial.workspace;
    synthesizeTrialPass(workspace.sines, context.wavelets, trial.t, context.grid, s.timeStep, s.sampleCount,
                        context.answers.zpa, workspace.history);
}

void finishTrial(TrialInProgress& trial, const TrialContext& context) {
    const RunSampling& s = context.sampling;
    TrialWorkspace& workspace = *trial.workspace;
    const PeakMeasures peaks = measureMotion(workspace.history.sample, s.sampleCount, s.timeStep,
                                             context.answers.units, workspace.velocity);
    TrialSummary& summary = trial.result.summary;
    summary.peakAccel = std::fabs(peaks.peakAccel);
    summary.peakVel = std::fabs(peaks.peakVel);
    summary.peakDisp = std::fabs(peaks.peakDisp);
    summary.totalError = std::fabs(trial.error.totalError);
    summary.largestError = std::fabs(trial.error.largestError);
    trial.finished = true;
}

}  // namespace

int drawTrial(RunState& state, int t) {
    const RunAnswers& p = state.answers;
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

void startTrial(TrialInProgress& trial, const TrialContext& context) {
    trial.pass = 0;
    trial.previousTotal = 0.0;
    trial.error = SpectrumError{};
    trial.result = TrialResult{};
    trial.result.passCount = maxPasses;
    trial.finished = false;
    const RunSampling& s = context.sampling;
    startTrialSynthesis(trial.workspace->sines, context.wavelets, trial.t, context.grid, s.timeStep, s.sampleCount);
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

TrialResult evaluateTrial(const TrialContext& context, int t, TrialWorkspace& workspace, std::string& diagnostics) {
    const RunSampling& s = context.sampling;
    TrialInProgress trial;
    trial.t = t;
    trial.workspace = &workspace;
    trial.diagnostics = &diagnostics;
    startTrial(trial, context);
    while (!trial.finished) {
        computeResponseSpectrum(workspace.history.sample, s.sampleCount, context.grid, s.bank, s.timeStep,
                                workspace.spectrum);
        finishPass(trial, context);
    }
    return trial.result;
}
