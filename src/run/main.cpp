#include <cstdio>
#include <thread>

#include "run/key_press.h"
#include "run/program.h"

int main() {
    const unsigned hardwareThreads = std::thread::hardware_concurrency();
    const ProgramResult result =
        runProgram(stdin, stdout, ".", hardwareThreads == 0 ? 1 : static_cast<int>(hardwareThreads));
    if (result.atExitPrompt) waitForKeyPress();
    return result.exitStatus;
}
