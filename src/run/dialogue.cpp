#include "run/dialogue.h"

#include <string>

#include "common/file_paths.h"
#include "model/constants.h"
#include "model/damping.h"
#include "run/spec_refusal.h"
#include "run/synthesis_run.h"

namespace {

const char* const invalidAnswer = "\n\n Error: invalid or missing answer.\n\n";
const char* const fileNameTooLong = "\n\n Error: file name too long.\n\n";

void prompt(std::FILE* console, const char* text) {
    std::fputs(text, console);
    std::fflush(console);
}

// A numeric question: its text, shown in full before every reading, and what
// a user at a terminal is told was expected when the answer cannot be read.
struct Question {
    std::string text;
    const char* expected;
};

// At a terminal an unreadable answer is named and the question asked again on
// a fresh line; otherwise, and at the end of input, it ends the dialogue.
bool askAgain(AnswerReader& answers, std::FILE* console, AnswerStatus status, const char* expected) {
    if (status == AnswerStatus::unreadable && answers.atTerminal) {
        std::fprintf(console, " Expected %s \n", expected);
        discardRestOfLine(answers);
        return true;
    }
    std::fputs(invalidAnswer, console);
    return false;
}

bool askDouble(AnswerReader& answers, std::FILE* console, const Question& question, double& value) {
    for (;;) {
        prompt(console, question.text.c_str());
        const AnswerStatus status = readDoubleAnswer(answers, value);
        if (status == AnswerStatus::ok) return true;
        if (!askAgain(answers, console, status, question.expected)) return false;
    }
}

bool askInteger(AnswerReader& answers, std::FILE* console, const Question& question, std::int32_t& value) {
    for (;;) {
        prompt(console, question.text.c_str());
        const AnswerStatus status = readIntegerAnswer(answers, value);
        if (status == AnswerStatus::ok) return true;
        if (!askAgain(answers, console, status, question.expected)) return false;
    }
}

const Question zpaQuestion{"\n\n Please enter the ZPA. \n", "a number, e.g. 250"};
const Question spacingQuestion{"\n\n Enter octave spacing. \n 1= 1/3   2= 1/6   3= 1/12 \n", "1, 2 or 3"};
const Question dampingFormatQuestion{"\n Enter damping format for SRS. \n 1= damping ratio   2= Q \n", "1 or 2"};
const Question dampingRatioQuestion{"\n Enter SRS damping ratio (typically 0.05) ", "a number, e.g. 0.05"};
const Question qQuestion{"\n Enter SRS amplification factor Q (typically 10) ", "a number, e.g. 10"};
const Question trialsQuestion{"\n\n Enter the number of trials. \n", "a whole number, e.g. 300"};
const Question unitsQuestion{"\n\n Enter units "
                             "\n  1=English:  G,       in/sec, in   "
                             "\n  2=metric:   G,       m/sec,  mm   "
                             "\n  3=metric:   m/sec^2, m/sec,  mm  \n",
                             "1, 2 or 3"};
const Question skipQuestion{"\n\n Enter arbitrary integer (1 to 1000) \n", "a whole number, e.g. 1"};

Question durationQuestion(double recommended) {
    const char* const format = "\n\n Enter duration (sec) \n (Recommend %6.3lf or greater) \n";
    std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, format, recommended)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, recommended);
    return {text, "a number of seconds, e.g. 0.5"};
}

enum class FileNameStatus { ok, tooLong, endOfInput };

FileNameStatus readFileName(RunAnswers& run, AnswerReader& answers) {
    std::string token;
    switch (readToken(answers, token)) {
        case TokenStatus::endOfInput:
            return FileNameStatus::endOfInput;
        case TokenStatus::tooLong:
            return FileNameStatus::tooLong;
        case TokenStatus::ok:
            break;
    }
    if (token.size() > static_cast<std::size_t>(maxFileNameLength)) return FileNameStatus::tooLong;
    run.specFileName = token;
    return FileNameStatus::ok;
}

// Asks for the file name and reads the specification it names. At a terminal
// a name too long or a file that cannot be opened asks for the name again.
bool askSpecification(AcceptedDialogue& accepted, AnswerReader& answers, const std::string& folder,
                      std::FILE* console) {
    std::fputs("\n\n\n The input SRS specification file must have two columns: \n\n   natural frequency(Hz) and SRS accel(G) ",
               console);
    std::fputs("\n\n The format is free, but no header lines allowed.\n", console);
    for (;;) {
        prompt(console, "\n\n Please enter the input filename. \n");
        switch (readFileName(accepted.answers, answers)) {
            case FileNameStatus::endOfInput:
                std::fputs(invalidAnswer, console);
                return false;
            case FileNameStatus::tooLong:
                if (!answers.atTerminal) {
                    std::fputs(fileNameTooLong, console);
                    return false;
                }
                std::fprintf(console, " Expected a file name of at most %d characters \n", maxFileNameLength);
                discardRestOfLine(answers);
                continue;
            case FileNameStatus::ok:
                break;
        }
        const std::string& name = accepted.answers.specFileName;
        accepted.specPath = pathInFolder(folder, name);
        const SpecReadStatus status = readSpecFile(accepted.specPath.c_str(), accepted.spec, console, name.c_str());
        switch (status) {
            case SpecReadStatus::ok:
                return true;
            case SpecReadStatus::openFailed:
                if (!answers.atTerminal) return false;
                discardRestOfLine(answers);
                continue;
            case SpecReadStatus::noPoints:
            case SpecReadStatus::tooManyPoints:
            case SpecReadStatus::notFinite:
                printSpecRefusal(status, accepted.spec, console);
                return false;
        }
        return false;
    }
}

}  // namespace

DialogueOutcome runDialogue(AcceptedDialogue& accepted, AnswerReader& answers, const std::string& folder,
                            std::FILE* console) {
    RunAnswers& p = accepted.answers;

    if (!askSpecification(accepted, answers, folder, console)) return DialogueOutcome::exitPrompt;

    if (!askDouble(answers, console, zpaQuestion, p.zpa)) return DialogueOutcome::exitPrompt;

    if (!askInteger(answers, console, spacingQuestion, p.spacingChoice)) return DialogueOutcome::exitPrompt;
    // Built here for its warning, in its place among the questions; the run
    // builds it again.
    buildFrequencyGrid(accepted.spec, p.spacingChoice, console);

    std::int32_t dampingFormat = 0;
    if (!askInteger(answers, console, dampingFormatQuestion, dampingFormat)) return DialogueOutcome::exitPrompt;
    if (dampingFormat == 1) {
        if (!askDouble(answers, console, dampingRatioQuestion, p.dampingRatio)) return DialogueOutcome::exitPrompt;
    } else {
        double q = 0.0;
        if (!askDouble(answers, console, qQuestion, q)) return DialogueOutcome::exitPrompt;
        p.dampingRatio = dampingRatioOfQ(q);
    }
    if (!dampingAccepted(p.dampingRatio, console)) return DialogueOutcome::dampingError;

    // The first grid frequency is the first specification frequency.
    const double firstFrequency = accepted.spec.frequency[0];
    if (!askDouble(answers, console, durationQuestion(2.0 / firstFrequency), p.duration)) {
        return DialogueOutcome::exitPrompt;
    }

    if (!askInteger(answers, console, trialsQuestion, p.trialCount)) return DialogueOutcome::exitPrompt;
    if (p.trialCount > maxTrials) p.trialCount = maxTrials;

    // A number other than 1, 2 or 3 asks again, also from a file.
    for (;;) {
        if (!askInteger(answers, console, unitsQuestion, p.units)) return DialogueOutcome::exitPrompt;
        if (p.units >= 1 && p.units <= 3) break;
    }

    if (!askInteger(answers, console, skipQuestion, p.skipCount)) return DialogueOutcome::exitPrompt;
    return DialogueOutcome::accepted;
}
