#pragma once

#include <cstddef>

#include "results/motion.h"
#include "results/ranking.h"
#include "results/run_record.h"
#include "run/constants.h"
#include "run/random_source.h"
#include "run/run_parameters.h"
#include "run/trial_summary.h"
#include "spec/spec_table.h"
#include "srs/filter_bank.h"
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
    RunParameters parameters;
    SpecTable spec;
    FrequencyGrid grid;
    RandomSource random;
    SrsFilterBank bank;
    WaveletTable wavelets;
    TrialWorkspace workspace;
    TrialSummary summary[maxTrials];
    TrialRanking ranking;
    // What run.out says; rewritten by every results step.
    RunRecord record;
    // Displacement of the optimum's record, for disp.out only.
    double outputDisplacement[sampleCapacity];
};
