#pragma once

#include <cstdio>
#include <string>

#include "run/run_state.h"

// Draws trial t's strategy selection and wavelet row from the run's random
// source (the skip draws first). Returns the strategy number, 1 to 4.
int drawTrial(RunState& state, int t);

struct TrialResult {
    TrialSummary summary;
    int passCount = 0;
};

// Iterates trial t's amplitudes in `workspace`: the first synthesis, up to 44
// passes of spectrum, correction, synthesis and spectrum error under the stop
// rule, then the motion peaks. Spectrum-error diagnostics are appended to
// `diagnostics`. Reads the grid, bank and parameters; writes only row t.
TrialResult evaluateTrial(WaveletTable& wavelets, int t, const FrequencyGrid& grid, const SrsFilterBank& bank,
                          const RunParameters& parameters, TrialWorkspace& workspace, std::string& diagnostics);

// What every trial of a batch reads, and the table whose rows they iterate.
struct TrialContext {
    WaveletTable& wavelets;
    const FrequencyGrid& grid;
    const SrsFilterBank& bank;
    const RunParameters& parameters;
};

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

// An intermediate output: the summaries copied for ranking, the notice and
// the results step for trials 0 .. n-1. False after a write error.
bool runCheckpoint(RunState& state, int n, std::FILE* console);

// The trial run: filter bank, trials.out, the checks, every trial with its
// rows, the intermediate and final results steps and the closing list.
// `threadCount` trials are evaluated at once; the output is the same for any
// count. False after any error message.
bool runTrials(RunState& state, std::FILE* console, int threadCount);
