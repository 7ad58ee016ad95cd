#pragma once

#include <cstdint>
#include <vector>

#include "model/exact_wavelet.h"
#include "results/run_record.h"

// What a finished run leaves in its files, held in memory as the numbers the
// last results step wrote, before they were formatted: for a caller that
// goes on from the run without reading its files back.
struct RunResults {
    RunRecord record;  // run.out

    // The optimum's wavelets, exactly: amplitudes as the last results step
    // scaled them.
    using Wavelet = ExactWavelet;
    std::vector<Wavelet> wavelets;

    // accel.out, velox.out and disp.out's values (velocity and displacement
    // in the run's units), at the output time step record.outputTimeStep.
    std::vector<double> acceleration;
    std::vector<double> velocity;
    std::vector<double> displacement;

    // srs.out: the grid frequencies and the two peaks at each.
    std::vector<double> srsFrequency;
    std::vector<double> srsPositive;
    std::vector<double> srsNegative;

    // rank.out's scores, trial by trial, and rank_d.out's five lists of
    // trial numbers, best first, with their values.
    std::vector<std::int32_t> scores;
    std::vector<std::vector<std::int32_t>> sortedTrials;
    std::vector<std::vector<double>> sortedValues;

    int trialRows = 0;  // trials.out's rows
};
