#include "run/program.h"

#include "model/constants.h"
#include "run/dialogue.h"
#include "run/synthesis_run.h"
#include "run/terminal.h"

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

ProgramResult runProgram(std::FILE* input, std::FILE* console, const std::string& folder, int threadCount) {
    printBanner(console);
    // Someone types the answers and reads the prompts only when both are a
    // terminal; from a file or a pipe every byte stays as it is.
    AnswerReader answers{input, isTerminal(input) && isTerminal(console)};
    AcceptedDialogue accepted;

    int status = 1;
    switch (runDialogue(accepted, answers, folder, console)) {
        case DialogueOutcome::dampingError:
            return {1, false};
        case DialogueOutcome::exitPrompt:
            break;
        case DialogueOutcome::accepted: {
            RunRequest request;
            request.answers = accepted.answers;
            request.specification = RunSpecification{accepted.specPath, accepted.spec};
            request.outputDir = folder;
            request.console = console;
            request.threadCount = threadCount;
            request.gridReductionShown = true;
            status = runSynthesis(request) == RunOutcome::completed ? 0 : 1;
            break;
        }
    }
    std::fputs("\n\n Press any key to exit.\n", console);
    std::fflush(console);
    return {status, true};
}
