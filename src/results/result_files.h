#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "model/run_answers.h"
#include "model/sampling.h"
#include "model/trial_summary.h"
#include "results/history_files.h"
#include "results/motion.h"
#include "results/ranking.h"
#include "results/run_record.h"
#include "results/run_results.h"
#include "spec/spec_table.h"
#include "srs/response_spectrum.h"
#include "wavelet/wavelet_table.h"

// The output sample rate for a run rate r (samples per second): 500, 1000,
// 5000 or 10000 for r in the bands that end there, r itself at or below 100
// and above 10000.
double outputSampleRate(double runRate);

// What a results step leaves the run with for the trials after it: the output
// sample rate's time step and the duration's sample count at it, and the
// filter bank for them. Applied to its own result it changes nothing.
RunSampling samplingAfterResults(const RunAnswers& answers, const RunSampling& current, const FrequencyGrid& grid);

// The stores the results steps work in, kept for the whole run: the ranking
// (its optimum survives from one step to the next), run.out's record, and
// the optimum rebuilt at the output rate with its velocity, displacement and
// spectrum.
struct ResultsStores {
    TrialRanking ranking;
    RunRecord record;
    TimeHistory history;  // the optimum at the run's sampling, as it is scaled to the ZPA again
    HistoryFiles files;   // the latest results step's four history files
};

// What a results step reads, and the wavelet table whose optimum row it
// scales to the ZPA once more.
struct ResultsContext {
    const RunAnswers& answers;
    const FrequencyGrid& grid;
    const TrialSummary* summaries;  // answers.trialCount entries
    WaveletTable& wavelets;
    const std::string& outputDir;
    std::FILE* console;
};

// The results step for trials 0 .. n-1, at the sampling the trials ran at:
// copies the trial summaries into the ranking's working lists, ranks them,
// rebuilds the optimum at the output sample rate, writes run.out with the
// optimum's exact wavelets and the checksums of its files, announces the
// optimum and writes the seven result files into the output folder. Returns the
// sampling the trials after it take, samplingAfterResults(current); nothing,
// after "\n\n Error: cannot write %s \n\n", when a file could not be written
// (the previous file of that name is then left as it was).
std::optional<RunSampling> writeResults(const ResultsContext& context, ResultsStores& stores,
                                        const RunSampling& current, int n);

// What the latest results step wrote, as numbers: run.out's record, the
// optimum's wavelets, its histories and spectrum, and the ranking of trials
// 0 .. n-1.
void captureResults(const ResultsContext& context, const ResultsStores& stores, int n, RunResults& results);
