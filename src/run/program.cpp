#include "run/program.h"

#include <memory>

#include "run/constants.h"
#include "run/dialogue.h"
#include "run/terminal.h"
#include "run/trial_loop.h"

namespace {

void printBanner(std::FILE* console) {
    std::fprintf(console, "\n\n kolvane_ZPA,  ver %s, September 20, 2005 \n\n", programVersion);
    std::fputs(" by the kolvane_ZPA developers \n", console);
    std::fputs("\n This program synthesizes a time history using wavelets to satisfy ", console);
    std::fputs("\n a shock response spectrum (SRS) specification. \n", console);
    std::fputs("\n The program also optimizes the time history to yield the lowest overall \n error, acceleration, velocity, and displacement. \n",
               console);
    std::fputs("\n The optimization is performed via trial-and-error.\n", console);
}

}  // namespace

ProgramResult runProgram(std::FILE* input, std::FILE* console, int threadCount) {
    printBanner(console);
    // Kept for the whole run. Default-initialised: the small records start
    // from their zero initialisers, while the large stores (wavelet rows,
    // histories, ranking lists) are written before they are read, so their
    // pages are only touched as far as the run uses them.
    const std::unique_ptr<RunState> state(new RunState);
    AnswerReader answers{input, isTerminal(input)};

    int status = 1;
    switch (runDialogue(*state, answers, console)) {
        case DialogueOutcome::dampingError:
            return {1, false};
        case DialogueOutcome::exitPrompt:
            break;
        case DialogueOutcome::accepted:
            status = runTrials(*state, console, threadCount) ? 0 : 1;
            break;
    }
    std::fputs("\n\n Press any key to exit.\n", console);
    std::fflush(console);
    return {status, true};
}
