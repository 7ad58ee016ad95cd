#pragma once

#include <cstdio>
#include <string>

#include "model/run_answers.h"
#include "run/answer_reader.h"
#include "spec/spec_table.h"

enum class DialogueOutcome {
    accepted,      // hand over to the run
    exitPrompt,    // an error was printed; go to the exit prompt
    dampingError,  // end the process at once, without the exit prompt
};

// What the dialogue accepts: the answers, and the specification they name as
// read from `specPath` (the name typed, in the dialogue's folder).
struct AcceptedDialogue {
    RunAnswers answers;
    SpecTable spec;
    std::string specPath;
};

// Asks every question in order, reading the specification file (a name typed
// is taken in `folder`) and printing the grid's 200-point warning after the
// octave answer. An answer that cannot be read ends the dialogue, except at a
// terminal (answers.atTerminal), where it is named and the question asked
// again.
DialogueOutcome runDialogue(AcceptedDialogue& accepted, AnswerReader& answers, const std::string& folder,
                            std::FILE* console);
