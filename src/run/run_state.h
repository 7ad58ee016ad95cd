#pragma once

#include <cstddef>

#include "model/constants.h"
#include "model/random_source.h"
#include "model/run_answers.h"
#include "model/sampling.h"
#include "model/trial_summary.h"
#include "results/motion.h"
#include "results/result_files.h"
#include "spec/spec_table.h"
#include "srs/response_spectrum.h"
#include "wavelet/sine_cache.h"
#include "wavelet/wavelet_table.h"

// The stores one trial works in: its history, spectrum and velocity, and the
// sines of its wavelets. The run state holds one; every further worker thread
// has its own.
struct TrialWorkspace {
    explicit TrialWorkspace(std::size_t sineBudgetBytes = sineCacheBudgetBytes) : sines(sineBudgetBytes) {}

    TimeHistory history;
    ResponseSpectrum spectrum;
    VelocityHistory velocity;
    SineCache sines;
};

// Everything a run keeps, allocated once and never resized. The records carry
// zero initialisers; the large stores are written before they are read.
struct RunState {
    explicit RunState(const RunAnswers& accepted) : answers(accepted) {}

    const RunAnswers answers;
    SpecTable spec;
    FrequencyGrid grid;
    RandomSource random;
    // What the trials sample at: the run's own sampling until the first
    // results step, that step's output sampling after it.
    RunSampling sampling;
    WaveletTable wavelets;
    TrialWorkspace workspace;
    TrialSummary summary[maxTrials];
    ResultsStores results;
};
