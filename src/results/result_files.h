#pragma once

#include <cstdio>

#include "run/run_state.h"

// The output sample rate for a run rate r (samples per second): 500, 1000,
// 5000 or 10000 for r in the bands that end there, r itself at or below 100
// and above 10000.
double outputSampleRate(double runRate);

// The time step and sample count of the output sample rate, which the results
// step makes the run's own.
struct OutputSampling {
    double timeStep = 0.0;
    int sampleCount = 0;
};
OutputSampling outputSampling(const RunParameters& parameters);

// What a results step leaves the run with for the trials after it: the output
// sample rate's time step and sample count, and the filter bank for them.
// The results step applies exactly this, so the trials that follow it may
// take their sampling from here before the step has run.
struct RunSampling {
    double timeStep = 0.0;
    int sampleCount = 0;
    SrsFilterBank bank;
};
RunSampling samplingAfterResults(const RunParameters& parameters, const FrequencyGrid& grid);

// The results step for trials 0 .. n-1: copies the trial summaries into the
// ranking's working lists, ranks them, announces the optimum, rebuilds it at
// the output sample rate (samplingAfterResults, which becomes the run's
// timeStep, sampleCount and filter bank) and writes the seven result files.
// False, after "\n\n Error: cannot write %s \n\n", when a file could not be
// written; the previous file of that name is then left as it was.
bool writeResults(RunState& state, int n, std::FILE* console);

// accel.out at the `next` sampling, which becomes the run's.
bool writeAccelFile(RunState& state, const RunSampling& next, std::FILE* console);
bool writeMotionFiles(RunState& state, std::FILE* console);
bool writeSrsFile(const RunState& state, std::FILE* console);
