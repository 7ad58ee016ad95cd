// The program as shipped, held to one thread: the baseline of bench/run.sh.
#include "run/key_press.h"
#include "run/program.h"

int main() {
    const ProgramResult result = runProgram(stdin, stdout, ".", 1);
    if (result.atExitPrompt) waitForKeyPress();
    return result.exitStatus;
}
