#pragma once

#include <vector>

#include "model/exact_wavelet.h"
#include "results/history_files.h"
#include "results/run_results.h"

// A run whose history has been refined: the program's search as it left it
// (trials.out, rank_d.out, rank.out and run.out's answers), with wavelet.out
// and the four histories made from the refined wavelets, as the program's
// own results step makes them from its optimum's.
struct RefinedRun {
    RunResults results;       // run.out holding the refined history, the histories as numbers
    std::string waveletText;  // wavelet.out
    HistoryFiles files;       // accel.out, velox.out, disp.out and srs.out
};

// `program` is the run as the program left it; `wavelets` its optimum's,
// refined.
RefinedRun refinedRun(const RunResults& program, const std::vector<ExactWavelet>& wavelets, HistoryKind kind);
