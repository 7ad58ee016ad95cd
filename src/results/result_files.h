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

// The results step for trials 0 .. n-1: ranks them, announces the optimum,
// rebuilds it at the output sample rate (which becomes the run's timeStep and
// sampleCount, with the filter bank recomputed) and writes the seven result
// files. False, after "\n\n Error: cannot write %s \n\n", when a file could
// not be written; the previous file of that name is then left as it was.
bool writeResults(RunState& state, int n, std::FILE* console);

bool writeAccelFile(RunState& state, std::FILE* console);
bool writeMotionFiles(RunState& state, std::FILE* console);
bool writeSrsFile(const RunState& state, std::FILE* console);
