// Feeds arbitrary bytes to the whole dialogue as the answer stream. The
// working directory is a fresh folder holding a few specification files, so
// most file names the fuzzer finds are missing and a few open.
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "fuzz_files.h"
#include "model/constants.h"
#include "run/dialogue.h"

namespace {

std::FILE* console = nullptr;
void writeSpec(const char* name, const char* text) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) std::abort();
    std::fputs(text, file);
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (chdir(makeFuzzWorkDir("kolvane-dialogue-fuzz").c_str()) != 0) std::abort();
    writeSpec("s", "10 1\n2000 100\n");
    writeSpec("one", "10 1");
    writeSpec("neg", "-1 1\n5 1\n");
    writeSpec("nan", "nan 1\r\n100\t1\r\n");
    writeSpec("big", "1 1\n8000 1\n");
    console = std::fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A name with a path could reach a terminal or a pipe, whose read would
    // wait for a writer: the dialogue's file question is only fuzzed with names
    // in the working directory.
    std::size_t start = 0;
    while (start < size && std::isspace(data[start])) ++start;
    for (std::size_t i = start; i < size && !std::isspace(data[i]); ++i) {
        if (data[i] == '/') return 0;
    }
    // Each input twice: as an answers file, where the first unreadable answer
    // ends the dialogue, and as typed at a terminal, where it is asked again.
    for (const bool atTerminal : {false, true}) {
        char blank = ' ';
        std::FILE* input =
            size == 0 ? fmemopen(&blank, 1, "r") : fmemopen(const_cast<std::uint8_t*>(data), size, "r");
        if (input == nullptr) return 0;

        AcceptedDialogue accepted;
        AnswerReader answers{input, atTerminal};
        const DialogueOutcome outcome = runDialogue(accepted, answers, ".", console);
        std::fclose(input);

        if (outcome == DialogueOutcome::accepted) {
            const RunAnswers& p = accepted.answers;
            if (p.trialCount > maxTrials || p.units < 1 || p.units > 3) std::abort();
            if (accepted.spec.count < 1 || accepted.spec.count > maxSpecPoints) std::abort();
            if (!(p.dampingRatio < 1.0)) std::abort();
        }
    }
    return 0;
}
