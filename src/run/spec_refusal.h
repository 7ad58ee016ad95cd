#pragma once

#include <cstdio>

#include "run/run_outcome.h"
#include "spec/spec_table.h"

// The program's words for a specification it cannot run on, printed to
// `console`: nothing for a table it takes, nor for a file that would not open
// (readSpecFile has named it).
void printSpecRefusal(SpecReadStatus status, const SpecTable& spec, std::FILE* console);

// The run's outcome for a reading: `completed` for a table it takes.
RunOutcome specOutcomeOf(SpecReadStatus status);
