#pragma once

#include <cstdio>

#include "run/run_state.h"

// run.out's two moments in a run. Both write the record kept in the run
// state and fail, with the cannot-write message, as the other result files do.

// Before the first trial, once the run has passed its checks: records the
// answers, the derived sampling, the grid and the specification's checksum.
bool startRunRecord(RunState& state, std::FILE* console);

// In a results step for trials 0 .. n-1, after the ranking has chosen the
// optimum and before accel.out is written: records the trials ranked, the
// optimum and the output sampling (time step and sample count) that
// accel.out, velox.out, disp.out and srs.out are about to use.
bool recordResultsStep(RunState& state, int n, double outputTimeStep, int outputSampleCount, std::FILE* console);
