#pragma once

#include <string>

#include "run/run_state.h"

// One trial: its row drawn from the run's random source, then its amplitudes
// iterated by passes of spectrum, correction, synthesis and spectrum error
// until the stop rule, and its motion peaks measured.

// Draws trial t's strategy selection and wavelet row from the run's random
// source (the skip draws first). Returns the strategy number, 1 to 4.
int drawTrial(RunState& state, int t);

struct TrialResult {
    TrialSummary summary;
    int passCount = 0;
};

// What every trial of a batch reads, and the table whose rows they iterate.
struct TrialContext {
    WaveletTable& wavelets;
    const FrequencyGrid& grid;
    const RunAnswers& answers;
    const RunSampling& sampling;
};

// Iterates trial t's amplitudes in `workspace`: the first synthesis, up to 44
// passes of spectrum, correction, synthesis and spectrum error under the stop
// rule, then the motion peaks. Spectrum-error diagnostics are appended to
// `diagnostics`. Writes only row t of the table.
TrialResult evaluateTrial(const TrialContext& context, int t, TrialWorkspace& workspace, std::string& diagnostics);

// evaluateTrial taken one pass at a time, so that a thread can keep two
// trials going and sweep their spectra together: startTrial does the first
// synthesis; then, until `finished`, the caller puts the spectrum of the
// workspace's history into the workspace's spectrum and calls finishPass.
struct TrialInProgress {
    int t = 0;
    TrialWorkspace* workspace = nullptr;
    std::string* diagnostics = nullptr;
    int pass = 0;
    double previousTotal = 0.0;
    SpectrumError error;
    TrialResult result;
    bool finished = false;
};

void startTrial(TrialInProgress& trial, const TrialContext& context);
void finishPass(TrialInProgress& trial, const TrialContext& context);
