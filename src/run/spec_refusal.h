#pragma once

#include <cstdio>
#include <string>

#include "run/run_outcome.h"
#include "spec/spec_table.h"

// The program's words for a specification it cannot run on, printed to
// `console`: nothing for a table it takes, nor for a file that would not open
// (readSpecFile has named it).
void printSpecRefusal(SpecReadStatus status, const SpecTable& spec, std::FILE* console);

// At a terminal, where the name is asked for again: one line saying why the
// file at `path` gives no table the program can run on.
std::string specRefusalReason(SpecReadStatus status, const SpecTable& spec, const std::string& path);

// The run's outcome for a reading: `completed` for a table it takes.
RunOutcome specOutcomeOf(SpecReadStatus status);
