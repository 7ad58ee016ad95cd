#pragma once

#include <cstdio>

#include "run/run_state.h"

// The trial run: filter bank, trials.out, the checks, every trial with its
// rows, the intermediate and final results steps and the closing list.
// `threadCount` trials are evaluated at once; the output is the same for any
// count. False after any error message.
bool runTrials(RunState& state, std::FILE* console, int threadCount);
