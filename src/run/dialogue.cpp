#include "run/dialogue.h"

#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <string>

#include "common/file_paths.h"
#include "model/constants.h"
#include "model/damping.h"
#include "model/sampling.h"
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

// What a terminal takes for a question: empty when the value is allowed,
// otherwise what is, for the line that asks again. From a file or a pipe
// every value is taken as it stands.
template <typename Value>
using Allowed = std::function<std::string(Value)>;

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

// At a terminal a line is one answer: what follows it on the line ("25 G")
// is a mistake, not the next answer.
bool restOfLineIsBlank(AnswerReader& answers, std::string& rest) {
    if (!answers.atTerminal || answers.lineEnded) return true;
    rest = restOfLine(answers);
    return rest.find_first_not_of(" \t\r\v\f") == std::string::npos;
}

template <typename Value>
bool ask(AnswerReader& answers, std::FILE* console, const Question& question, Value& value,
         const Allowed<Value>& allowed, AnswerStatus (*read)(AnswerReader&, Value&)) {
    for (;;) {
        prompt(console, question.text.c_str());
        const AnswerStatus status = read(answers, value);
        std::string rest;
        if (status == AnswerStatus::ok && !restOfLineIsBlank(answers, rest)) {
            std::fprintf(console, " Expected one answer on the line, %s (the line went on with \"%s\") \n",
                         question.expected, rest.substr(rest.find_first_not_of(" \t"), 40).c_str());
            continue;
        }
        if (status == AnswerStatus::ok) {
            const std::string expected = answers.atTerminal && allowed ? allowed(value) : std::string();
            if (expected.empty()) return true;
            std::fprintf(console, " Expected %s \n", expected.c_str());
            discardRestOfLine(answers);
            continue;
        }
        if (!askAgain(answers, console, status, question.expected)) return false;
    }
}

bool askDouble(AnswerReader& answers, std::FILE* console, const Question& question, double& value,
               const Allowed<double>& allowed = {}) {
    return ask(answers, console, question, value, allowed, readDoubleAnswer);
}

bool askInteger(AnswerReader& answers, std::FILE* console, const Question& question, std::int32_t& value,
                const Allowed<std::int32_t>& allowed = {}) {
    return ask(answers, console, question, value, allowed, readIntegerAnswer);
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

bool namesRegularFile(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The name is one word. At a terminal, when that word names no file, the
// whole line is the name if it names one: a file name with blanks.
FileNameStatus readFileName(RunAnswers& run, AnswerReader& answers, const std::string& folder) {
    std::string token;
    switch (readToken(answers, token)) {
        case TokenStatus::endOfInput:
            return FileNameStatus::endOfInput;
        case TokenStatus::tooLong:
            return FileNameStatus::tooLong;
        case TokenStatus::ok:
            break;
    }
    if (answers.atTerminal && !answers.lineEnded && !namesRegularFile(pathInFolder(folder, token))) {
        std::string line = token + answers.delimiter + restOfLine(answers);
        line.erase(line.find_last_not_of(" \t\r\v\f") + 1);
        if (namesRegularFile(pathInFolder(folder, line))) token = line;
    }
    if (token.size() > static_cast<std::size_t>(maxFileNameLength)) return FileNameStatus::tooLong;
    run.specFileName = token;
    return FileNameStatus::ok;
}

// Asks for the file name and reads the specification it names. At a terminal
// a name too long, a file that cannot be opened or one that gives no table
// the program runs on asks for the name again.
bool askSpecification(AcceptedDialogue& accepted, AnswerReader& answers, const std::string& folder,
                      std::FILE* console) {
    std::fputs("\n\n\n The input SRS specification file must have two columns: \n\n   natural frequency(Hz) and SRS accel(G) ",
               console);
    std::fputs("\n\n The format is free, but no header lines allowed.\n", console);
    for (;;) {
        prompt(console, "\n\n Please enter the input filename. \n");
        switch (readFileName(accepted.answers, answers, folder)) {
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
        std::string rest;
        if (!restOfLineIsBlank(answers, rest)) {
            std::fprintf(console, " Expected one file name on the line (the line went on with \"%s\") \n",
                         rest.substr(rest.find_first_not_of(" \t"), 40).c_str());
            continue;
        }
        const std::string& name = accepted.answers.specFileName;
        accepted.specPath = pathInFolder(folder, name);
        int stoppedAtLine = 0;
        const SpecReadStatus status =
            readSpecFile(accepted.specPath.c_str(), accepted.spec, console, name.c_str(), &stoppedAtLine);
        switch (status) {
            case SpecReadStatus::ok:
                // At a terminal a table read only in part is asked for again,
                // as one that gives no points is: "2000 7S" would be 7 G.
                if (answers.atTerminal && stoppedAtLine > 0) {
                    std::fputs(" The file's table is read only in part: correct it, or give another file \n", console);
                    discardRestOfLine(answers);
                    continue;
                }
                return true;
            case SpecReadStatus::openFailed:
                if (!answers.atTerminal) return false;
                discardRestOfLine(answers);
                continue;
            case SpecReadStatus::noPoints:
            case SpecReadStatus::tooManyPoints:
            case SpecReadStatus::notFinite:
            case SpecReadStatus::levelNotPositive:
                if (!answers.atTerminal) {
                    printSpecRefusal(status, accepted.spec, console);
                    return false;
                }
                std::fputs(specRefusalReason(status, accepted.spec, accepted.specPath).c_str(), console);
                discardRestOfLine(answers);
                continue;
        }
        return false;
    }
}

}  // namespace

DialogueOutcome runDialogue(AcceptedDialogue& accepted, AnswerReader& answers, const std::string& folder,
                            std::FILE* console) {
    RunAnswers& p = accepted.answers;

    if (!askSpecification(accepted, answers, folder, console)) return DialogueOutcome::exitPrompt;
    const SpecTable& spec = accepted.spec;

    const Allowed<double> positiveZpa = [](double zpa) {
        return zpa >= smallestZpa && zpa <= largestZpa ? "" : std::string("a ZPA from 0.0001 to 1e300, e.g. 250");
    };
    if (!askDouble(answers, console, zpaQuestion, p.zpa, positiveZpa)) return DialogueOutcome::exitPrompt;

    const Allowed<std::int32_t> oneTwoOrThree = [](std::int32_t choice) {
        return choice >= 1 && choice <= 3 ? "" : std::string("1, 2 or 3");
    };
    if (!askInteger(answers, console, spacingQuestion, p.spacingChoice, oneTwoOrThree)) {
        return DialogueOutcome::exitPrompt;
    }
    // Built here for its warning, in its place among the questions; the run
    // builds it again.
    buildFrequencyGrid(accepted.spec, p.spacingChoice, console);

    std::int32_t dampingFormat = 0;
    const Allowed<std::int32_t> oneOrTwo = [](std::int32_t format) {
        return format == 1 || format == 2 ? "" : std::string("1 or 2");
    };
    if (!askInteger(answers, console, dampingFormatQuestion, dampingFormat, oneOrTwo)) {
        return DialogueOutcome::exitPrompt;
    }
    if (dampingFormat == 1) {
        const Allowed<double> stableRatio = [](double ratio) {
            return ratio >= 0.0 && ratio < 1.0 ? "" : std::string("a damping ratio from 0 to below 1, e.g. 0.05");
        };
        if (!askDouble(answers, console, dampingRatioQuestion, p.dampingRatio, stableRatio)) {
            return DialogueOutcome::exitPrompt;
        }
    } else {
        double q = 0.0;
        const Allowed<double> stableQ = [](double value) {
            return value > 0.5 ? "" : std::string("a Q above 0.5, e.g. 10");
        };
        if (!askDouble(answers, console, qQuestion, q, stableQ)) return DialogueOutcome::exitPrompt;
        p.dampingRatio = dampingRatioOfQ(q);
    }
    if (!dampingAccepted(p.dampingRatio, console)) return DialogueOutcome::dampingError;

    const double firstFrequency = spec.frequency[0];
    const double timeStep = runTimeStep(spec.frequency[spec.count - 1]);
    const Allowed<double> heldDuration = [firstFrequency, timeStep](double duration) {
        const double shortest = shortestRunDuration(firstFrequency);
        const double longest = longestRunDuration(timeStep);
        if (!(duration >= shortest) || !(duration / timeStep < maxRunSamples)) {
            char text[160];
            std::snprintf(text, sizeof text, "a duration from %.4g to %.4g seconds (1.5 periods of %g Hz to %d samples)",
                          shortest, longest, firstFrequency, maxRunSamples - 1);
            return std::string(text);
        }
        return std::string();
    };
    if (!askDouble(answers, console, durationQuestion(2.0 / firstFrequency), p.duration, heldDuration)) {
        return DialogueOutcome::exitPrompt;
    }

    const Allowed<std::int32_t> trialRange = [](std::int32_t trials) {
        return trials >= 1 && trials <= maxTrials ? "" : "a whole number from 1 to " + std::to_string(maxTrials);
    };
    if (!askInteger(answers, console, trialsQuestion, p.trialCount, trialRange)) return DialogueOutcome::exitPrompt;
    if (p.trialCount > maxTrials) p.trialCount = maxTrials;

    // A number other than 1, 2 or 3 asks again, also from a file.
    for (;;) {
        if (!askInteger(answers, console, unitsQuestion, p.units)) return DialogueOutcome::exitPrompt;
        if (p.units >= 1 && p.units <= 3) break;
    }

    if (!askInteger(answers, console, skipQuestion, p.skipCount)) return DialogueOutcome::exitPrompt;
    return DialogueOutcome::accepted;
}
