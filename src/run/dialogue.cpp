#include "run/dialogue.h"

#include <cstring>
#include <string>

#include "run/random_source.h"

namespace {

const char* const invalidAnswer = "\n\n Error: invalid or missing answer.\n\n";

void prompt(std::FILE* console, const char* text) {
    std::fputs(text, console);
    std::fflush(console);
}

// Every numeric question fails the same way on a bad or missing answer.
bool askDouble(AnswerReader& answers, std::FILE* console, double& value) {
    std::fflush(console);
    if (readDoubleAnswer(answers, value)) return true;
    std::fputs(invalidAnswer, console);
    return false;
}

bool askInteger(AnswerReader& answers, std::FILE* console, std::int32_t& value) {
    std::fflush(console);
    if (readIntegerAnswer(answers, value)) return true;
    std::fputs(invalidAnswer, console);
    return false;
}

void printUnitsQuestion(std::FILE* console) {
    std::fputs("\n\n Enter units ", console);
    std::fputs("\n  1=English:  G,       in/sec, in   ", console);
    std::fputs("\n  2=metric:   G,       m/sec,  mm   ", console);
    prompt(console, "\n  3=metric:   m/sec^2, m/sec,  mm  \n");
}

bool askFileName(RunParameters& parameters, AnswerReader& answers, std::FILE* console) {
    std::string token;
    std::fflush(console);
    switch (readToken(answers, token)) {
        case TokenStatus::endOfInput:
            std::fputs(invalidAnswer, console);
            return false;
        case TokenStatus::tooLong:
            std::fputs("\n\n Error: file name too long.\n\n", console);
            return false;
        case TokenStatus::ok:
            break;
    }
    if (token.size() > static_cast<std::size_t>(maxFileNameLength)) {
        std::fputs("\n\n Error: file name too long.\n\n", console);
        return false;
    }
    std::memcpy(parameters.specFileName, token.c_str(), token.size() + 1);
    return true;
}

bool readSpecification(RunState& state, std::FILE* console) {
    switch (readSpecFile(state.parameters.specFileName, state.spec, console)) {
        case SpecReadStatus::ok:
            return true;
        case SpecReadStatus::openFailed:
            return false;
        case SpecReadStatus::noPoints:
            std::fputs("\n\n Error: no specification points read.\n\n", console);
            return false;
        case SpecReadStatus::tooManyPoints:
            std::fputs("\n\n Error: more than 200 specification points.\n\n", console);
            return false;
    }
    return false;
}

}  // namespace

int deriveSampleCount(double duration, double timeStep, std::FILE* console) {
    const double quotient = duration / timeStep;
    if (quotient > static_cast<double>(maxRunSamples)) {
        std::fputs("\n\n Warning: duration reduced. \n", console);
        return maxRunSamples;
    }
    // Only a degenerate specification (non-positive last frequency) gets here
    // with a quotient that is negative or not a number.
    if (!(quotient >= 0.0)) return 0;
    return static_cast<int>(quotient);
}

DialogueOutcome runDialogue(RunState& state, AnswerReader& answers, std::FILE* console) {
    RunParameters& p = state.parameters;

    std::fputs("\n\n\n The input SRS specification file must have two columns: \n\n   natural frequency(Hz) and SRS accel(G) ",
               console);
    std::fputs("\n\n The format is free, but no header lines allowed.\n", console);
    prompt(console, "\n\n Please enter the input filename. \n");
    if (!askFileName(p, answers, console)) return DialogueOutcome::exitPrompt;
    if (!readSpecification(state, console)) return DialogueOutcome::exitPrompt;

    prompt(console, "\n\n Please enter the ZPA. \n");
    if (!askDouble(answers, console, p.zpa)) return DialogueOutcome::exitPrompt;

    prompt(console, "\n\n Enter octave spacing. \n 1= 1/3   2= 1/6   3= 1/12 \n");
    if (!askInteger(answers, console, p.spacingChoice)) return DialogueOutcome::exitPrompt;
    state.grid = buildFrequencyGrid(state.spec, p.spacingChoice, console);

    prompt(console, "\n Enter damping format for SRS. \n 1= damping ratio   2= Q \n");
    std::int32_t dampingFormat = 0;
    if (!askInteger(answers, console, dampingFormat)) return DialogueOutcome::exitPrompt;
    if (dampingFormat == 1) {
        prompt(console, "\n Enter SRS damping ratio (typically 0.05) ");
        if (!askDouble(answers, console, p.dampingRatio)) return DialogueOutcome::exitPrompt;
    } else {
        prompt(console, "\n Enter SRS amplification factor Q (typically 10) ");
        double q = 0.0;
        if (!askDouble(answers, console, q)) return DialogueOutcome::exitPrompt;
        p.dampingRatio = 1.0 / (2.0 * q);
    }
    // Written so that a ratio that is not a number is refused too.
    if (!(p.dampingRatio < 1.0)) {
        std::fputs("\n Error:  damping value must be < 1 \n", console);
        std::fflush(console);
        return DialogueOutcome::dampingError;
    }

    const double firstFrequency = state.grid.frequency[0];
    prompt(console, "\n\n Enter duration (sec) \n");
    std::fprintf(console, " (Recommend %6.3lf or greater) \n", 2.0 / firstFrequency);
    if (!askDouble(answers, console, p.duration)) return DialogueOutcome::exitPrompt;

    prompt(console, "\n\n Enter the number of trials. \n");
    if (!askInteger(answers, console, p.trialCount)) return DialogueOutcome::exitPrompt;
    if (p.trialCount > maxTrials) p.trialCount = maxTrials;

    for (;;) {
        printUnitsQuestion(console);
        if (!askInteger(answers, console, p.units)) return DialogueOutcome::exitPrompt;
        if (p.units >= 1 && p.units <= 3) break;
    }

    prompt(console, "\n\n Enter arbitrary integer (1 to 1000) \n");
    if (!askInteger(answers, console, p.skipCount)) return DialogueOutcome::exitPrompt;
    skipDraws(state.random, static_cast<long long>(p.skipCount) - 1);

    if (1.5 / firstFrequency > p.duration) {
        std::fputs("\n\n Error: duration is too short.\n\n", console);
        return DialogueOutcome::exitPrompt;
    }

    const double sampleRate = 12.0 * state.spec.frequency[state.spec.count - 1];
    p.timeStep = 1.0 / sampleRate;
    p.sampleCount = deriveSampleCount(p.duration, p.timeStep, console);
    return DialogueOutcome::accepted;
}
