#pragma once

#include <cstdio>

struct ProgramResult {
    int exitStatus;      // 0 after a completed run, 1 after any error
    bool atExitPrompt;   // false only after the damping error, which ends at once
};

// The whole run, from the banner to the exit prompt: the dialogue on `input`
// and `console`, then the trials on `threadCount` threads. Does not wait for
// the final key press; the caller does.
ProgramResult runProgram(std::FILE* input, std::FILE* console, int threadCount);
