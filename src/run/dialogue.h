#pragma once

#include <cstdio>

#include "run/answer_reader.h"
#include "run/run_state.h"

enum class DialogueOutcome {
    accepted,      // hand over to the trial run
    exitPrompt,    // an error was printed; go to the exit prompt
    dampingError,  // end the process at once, without the exit prompt
};

// Asks every question in order, reads the specification file, builds the grid,
// discards the skip draws and derives timeStep and sampleCount. An answer that
// cannot be read ends the dialogue, except at a terminal (answers.atTerminal),
// where it is named and the question asked again.
DialogueOutcome runDialogue(RunState& state, AnswerReader& answers, std::FILE* console);

// The sample count of `duration` at `timeStep`: the quotient truncated, or
// maxRunSamples with the "duration reduced" warning when it exceeds that.
int deriveSampleCount(double duration, double timeStep, std::FILE* console);
