#include <cstdio>
#include <cstring>
#include <thread>

#include "run/key_press.h"
#include "run/program.h"
#include "run/program_usage.h"

int main(int argc, char** argv) {
    // The program takes its answers from standard input alone; an argument
    // is a request for help, or a mistake.
    if (argc > 1) {
        const bool help = argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0);
        if (!help) std::fprintf(stderr, "kolvane_zpa: takes no arguments (got \"%s\")\n\n", argv[1]);
        std::fputs(programUsage, help ? stdout : stderr);
        return help ? 0 : 1;
    }
    const unsigned hardwareThreads = std::thread::hardware_concurrency();
    const ProgramResult result =
        runProgram(stdin, stdout, ".", hardwareThreads == 0 ? 1 : static_cast<int>(hardwareThreads));
    if (result.atExitPrompt) waitForKeyPress();
    return result.exitStatus;
}
