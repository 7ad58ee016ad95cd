#pragma once

#include <cstdio>
#include <string>

#include "model/run_answers.h"
#include "model/sampling.h"
#include "results/ranking.h"
#include "results/run_record.h"
#include "spec/spec_table.h"

// run.out's two moments in a run. Both rewrite `record` and write it into the
// output folder, failing with the cannot-write message as the other result
// files do.

// Before the first trial, once the run has passed its checks: records the
// answers, the run's own sampling, the grid and the checksum of the
// specification file at `specPath`.
bool startRunRecord(RunRecord& record, const RunAnswers& answers, const RunSampling& sampling,
                    const FrequencyGrid& grid, const std::string& specPath, const std::string& outputDir,
                    std::FILE* console);

// In a results step for trials 0 .. n-1, after the ranking has chosen the
// optimum and before accel.out is written: records the trials ranked, the
// optimum and the output sampling that accel.out, velox.out, disp.out and
// srs.out are about to use.
bool recordResultsStep(RunRecord& record, const TrialRanking& ranking, int n, const RunSampling& output,
                       const std::string& outputDir, std::FILE* console);
