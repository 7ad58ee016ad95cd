#pragma once

#include <cstdio>
#include <string>

struct ProgramResult {
    int exitStatus;      // 0 after a completed run, 1 after any error
    bool atExitPrompt;   // false only after the damping error, which ends at once
};

// The whole program, from the banner to the exit prompt: the dialogue on
// `input` and `console`, then the run in `folder` (the specification file's
// name is taken there, and every output file written there) on
// `threadCount` threads. Does not wait for the final key press; the caller
// does.
ProgramResult runProgram(std::FILE* input, std::FILE* console, const std::string& folder, int threadCount);
