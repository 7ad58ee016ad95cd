#include "fit/fit_options.h"

#include "fit/attempt_answers.h"
#include "common/number_parse.h"

#include <cmath>
#include <cstdlib>

const char* const fitUsage =
    "Usage: kolvane_fit SPEC_FILE OUTPUT_DIR [options]\n"
    "\n"
    "Runs kolvane_zpa on SPEC_FILE again and again, each attempt in\n"
    "OUTPUT_DIR/attempts/N/, and judges each with the report's acceptance check.\n"
    "Between attempts it changes the ZPA, the octave spacing or extends the\n"
    "specification one grid step above its last point, as the last attempt's\n"
    "shortfall asks. It stops at the first attempt that passes, or keeps the best\n"
    "one. OUTPUT_DIR then holds that attempt's files, its report, answers.txt\n"
    "(kolvane_zpa < answers.txt repeats the run) and fit.json.\n"
    "\n"
    "Answers to the program (defaults in brackets):\n"
    "  --zpa A               first ZPA [a third of the largest level]\n"
    "  --spacing 3|6|12      first spacing, points per octave [6]\n"
    "  --duration S          duration in seconds [2 / first frequency]\n"
    "  --q Q                 SRS amplification factor [10]\n"
    "  --trials N            trials per attempt, 1 to 8000 [300]\n"
    "  --units 1|2|3         1 English, 2 metric with G, 3 metric [1]\n"
    "  --attempts N          most attempts [6]\n"
    "Acceptance check, as kolvane_report takes it:\n"
    "  --tolerance LOW,HIGH  --inner LOW,HIGH  --inner-share PERCENT\n"
    "  --band-file FILE  --polarity maximax|both  --analysis-spacing 6|12|24\n"
    "  --help                show this text\n"
    "\n"
    "Exit status: 0 an attempt passes, 2 none passes, 1 unusable input.\n";

namespace {

bool parseWhole(const std::string& text, int& value) {
    double number = 0.0;
    if (!parseDoubleToken(text, number) || number != std::floor(number) || std::fabs(number) > 1e9) return false;
    value = static_cast<int>(number);
    return true;
}

// "--name=value" becomes "--name" "value", so every option is read one way.
std::vector<std::string> splitOptionValues(const std::vector<std::string>& args) {
    std::vector<std::string> split;
    for (const std::string& arg : args) {
        const std::size_t equals = arg.find('=');
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            split.push_back(arg.substr(0, equals));
            split.push_back(arg.substr(equals + 1));
        } else {
            split.push_back(arg);
        }
    }
    return split;
}

// Reads the program option at args[i] and its value; false with `error` set
// on a bad value. `recognised` false when args[i] is none of them.
bool parseAnswerOption(const std::vector<std::string>& args, std::size_t& i, FitOptions& options, bool& recognised,
                       std::string& error) {
    const std::string& name = args[i];
    static const char* const names[] = {"--zpa", "--spacing", "--duration", "--q", "--trials", "--units", "--attempts"};
    recognised = false;
    for (const char* known : names) recognised = recognised || name == known;
    if (!recognised) return true;
    if (i + 1 == args.size()) {
        error = name + " needs a value";
        return false;
    }
    const std::string& value = args[i + 1];
    i += 2;
    double number = 0.0;
    int whole = 0;
    if (name == "--zpa") {
        if (parseDoubleToken(value, number) && number > 0.0) {
            options.zpa = number;
            return true;
        }
        error = "--zpa needs a positive acceleration";
    } else if (name == "--duration") {
        if (parseDoubleToken(value, number) && number > 0.0) {
            options.duration = number;
            return true;
        }
        error = "--duration needs a positive number of seconds";
    } else if (name == "--q") {
        // Q of 0.5 or less is a damping ratio of 1 or more, which the program refuses.
        if (parseDoubleToken(value, number) && number > 0.5) {
            options.q = number;
            return true;
        }
        error = "--q needs an amplification factor above 0.5";
    } else if (name == "--spacing") {
        if (parseWhole(value, whole) && (whole == 3 || whole == 6 || whole == 12)) {
            options.pointsPerOctave = whole;
            return true;
        }
        error = "--spacing needs 3, 6 or 12 points per octave";
    } else if (name == "--trials") {
        if (parseWhole(value, whole) && whole >= 1 && whole <= 8000) {
            options.trialCount = whole;
            return true;
        }
        error = "--trials needs a whole number from 1 to 8000";
    } else if (name == "--units") {
        if (parseWhole(value, whole) && whole >= 1 && whole <= 3) {
            options.units = whole;
            return true;
        }
        error = "--units needs 1, 2 or 3";
    } else {
        if (parseWhole(value, whole) && whole >= 1) {
            options.attemptLimit = whole;
            return true;
        }
        error = "--attempts needs a whole number of at least 1";
    }
    error += " (got \"" + value + "\")";
    return false;
}

}  // namespace

bool parseFitOptions(const std::vector<std::string>& rawArgs, FitOptions& options, std::string& error) {
    const std::vector<std::string> args = splitOptionValues(rawArgs);
    std::vector<std::string> positional;
    std::size_t i = 0;
    while (i < args.size()) {
        const std::string& arg = args[i];
        if (arg == "--damping") {
            error = "kolvane_fit takes the damping as --q Q";
            return false;
        }
        if (arg == "--help") {
            options.help = true;
            ++i;
            continue;
        }
        bool recognised = false;
        if (!parseAnswerOption(args, i, options, recognised, error)) return false;
        if (recognised) continue;
        const std::size_t start = i;
        if (!parseAcceptanceOption(args, i, options.rules, recognised, error)) return false;
        if (recognised) {
            options.judgingArgs.insert(options.judgingArgs.end(), args.begin() + static_cast<std::ptrdiff_t>(start),
                                       args.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        }
        positional.push_back(arg);
        ++i;
    }
    if (options.help) return true;
    if (positional.size() != 2) {
        error = positional.empty()      ? "no specification file given"
                : positional.size() == 1 ? "no output folder given"
                                         : "too many arguments";
        return false;
    }
    options.specPath = positional[0];
    options.outputDir = positional[1];
    // The check and the report judge with the attempts' damping, also for a
    // run that leaves no record of it.
    options.rules.dampingRatio = 1.0 / (2.0 * options.q);
    options.judgingArgs.insert(options.judgingArgs.end(), {"--q", exactNumberText(options.q)});
    return true;
}
